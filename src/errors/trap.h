// The error trap every operation carries. Each statement of an operation's body is a
// guarded step: a failure goes to ErrorSub, which logs and asks; "end" ends the program
// at once (EndSignal), "go on" lets the next step run. A failure raised while ErrorSub
// runs is not caught here: it leaves the operation and reaches the caller's trap, which
// reports it as a failure of its call step.
//
//   Trap trap("GetCFGPath");
//   trap.Step([&] { path = ...; });
//   if (trap.Test([&] { return !platform::Files().Exists(path); })) { ... }
#pragma once

#include <string>
#include <utility>

#include "errors/failure.h"

namespace tolvane {

class Trap {
 public:
  explicit Trap(std::string proc_name = {}) : proc_name_(std::move(proc_name)) {}
  Trap(const Trap&) = delete;
  Trap& operator=(const Trap&) = delete;

  // Operations that record their name late report earlier failures with an empty name.
  void SetName(std::string proc_name) { proc_name_ = std::move(proc_name); }
  const std::string& name() const { return proc_name_; }

  // One statement. A failing step has no effect beyond what it did before failing.
  template <class F>
  void Step(F&& f) {
    Guard([&] { f(); }, /*fatal=*/false);
  }

  // A branch or loop condition: a failed condition counts as true, so the body runs.
  template <class F>
  bool Test(F&& f) {
    bool result = true;
    Guard([&] { result = static_cast<bool>(f()); }, /*fatal=*/false);
    return result;
  }

  // The second trap of an operation, which reports with Fatal True.
  template <class F>
  void FatalStep(F&& f) {
    Guard([&] { f(); }, /*fatal=*/true);
  }

  // A step whose failure is dropped without a report.
  template <class F>
  static void Ignore(F&& f) {
    Quietly(std::forward<F>(f));
  }

  // Runs f; returns false (after nothing was reported) when it failed.
  template <class F>
  static bool Quietly(F&& f) {
    try {
      f();
      return true;
    } catch (const Failure&) {
    } catch (const std::exception&) {
    }
    return false;
  }

 private:
  template <class F>
  void Guard(F&& f, bool fatal) {
    Failure failure{0, {}, {}};
    try {
      f();
      return;
    } catch (const Failure& e) {
      failure = e;
    } catch (const std::exception& e) {
      failure = FromStd(e);
    }
    // Outside the catch blocks: a failure in the handler propagates to the caller.
    Handle(failure, fatal);
  }

  static Failure FromStd(const std::exception& e);
  void Handle(const Failure& failure, bool fatal);

  std::string proc_name_;
};

}  // namespace tolvane
