// The jetdb tool as a user meets it: its output, its exit status and its messages.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

#include "corpus.h"

namespace {

struct ToolRun {
  int status;
  std::string out;  // stdout and stderr together
};

ToolRun Jetdb(const std::string& args) {
  const std::string command = std::string(TOLVANE_JETDB) + " " + args + " 2>&1";
  ToolRun r{-1, {}};
  FILE* p = popen(command.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  const int raw = pclose(p);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return r;
}

class JetdbTool : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string(TOLVANE_JETDB).empty()) GTEST_SKIP() << "jetdb is not built";
  }
};

TEST_F(JetdbTool, ExportsAndQueriesAsCsv) {
  TOLVANE_CORPUS_FILE_OR_SKIP(path, "jet4/indexTestV2000.mdb");
  const ToolRun e = Jetdb("'" + path + "' export Table1");
  EXPECT_EQ(e.status, 0);
  EXPECT_EQ(e.out.substr(0, e.out.find('\n')), "id,otherfk1,otherfk2,data,otherfk3");
  const ToolRun q = Jetdb("'" + path + "' query \"SELECT Table1.data, Table1.id FROM Table1 "
                      "WHERE Table1.otherfk1=1 ORDER BY Table1.data DESC\"");
  EXPECT_EQ(q.status, 0);
  EXPECT_EQ(q.out, "data,id\n\"baz11-2\",2\n\"baz11\",1\n");
  const ToolRun t = Jetdb("'" + path + "' tables");
  EXPECT_EQ(t.out, "Table1\nTable2\nTable3\n");
}

TEST_F(JetdbTool, FailsWithStatusOneAndAMessage) {
  TOLVANE_CORPUS_FILE_OR_SKIP(path, "jet4/indexTestV2000.mdb");
  struct Case { std::string args; std::string says; };
  const Case cases[] = {
      {"'" + path + "' export NoSuch", "3078"},
      {"'" + path + "' query \"SELECT * FROM Table1 WHERE data = 1\"", "3464"},
      {"/nonexistent.mdb tables", "3024"},
      {"'" + path + "' frobnicate", "unknown command"},
      {"'" + path + "' export", "usage"},
      {"'" + path + "' tables -x", "unknown option"},
  };
  for (const auto& c : cases) {
    const ToolRun r = Jetdb(c.args);
    EXPECT_EQ(r.status, 1) << c.args;
    EXPECT_NE(r.out.find(c.says), std::string::npos) << c.args << ": " << r.out;
  }
}

}  // namespace
