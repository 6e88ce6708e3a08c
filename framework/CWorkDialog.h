// A modal dialog that runs one piece of work on a worker thread while it is up, and
// ends when the work has ended. Its window keeps answering meanwhile, and its own
// handlers show how far the work has come on a timer, a few times a second at most.
#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "framework/CDialog.h"

class CWorkDialog : public CDialog {
 public:
  // The dialog's handlers are told of the work's progress every `progressMilliseconds`.
  CWorkDialog(UINT templateId, CWnd* parent, UINT progressMilliseconds);

  // Shows the dialog, runs `work` on one worker thread, and returns once the work has
  // ended and the dialog is gone. A dialog that ends before its work (the application
  // is told to quit) asks the work to stop, and waits for it.
  void RunWork(std::function<void()> work);

  // Whether a close request (a close box) came while the work ran: the user meant to
  // leave, not only to stop.
  bool CloseRequested() const { return m_closeRequested; }

  // WM_TIMER's id while the work runs.
  static constexpr UINT kProgressTimer = 1;

 protected:
  // Starts the work and the progress timer.
  BOOL OnInitDialog() override;
  // Enter, Esc and the close box: the work decides when it ends, so the dialog does not end here.
  void OnOK() override {}
  void OnCancel() override {}
  // Asks the work to end soon; called on this thread.
  virtual void StopWork() {}
  // Enter does nothing while the work runs: a second press meant for the window before
  // (a double press, a bouncing key) must not stop it. Esc and the close box still do.
  BOOL PreTranslateMessage(UINT message, WPARAM wParam) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // Posted by the worker as its last act.
  static constexpr UINT kWorkEnded = WM_APP + 1;

  UINT m_progressMilliseconds;
  bool m_closeRequested = false;
  std::function<void()> m_work;
  std::jthread m_worker;
  std::exception_ptr m_failure;
  std::atomic<bool> m_workEnded{false};
  // The worker's last message goes only to a window that is still there.
  std::mutex m_windowLock;
  bool m_windowGone = false;
};
