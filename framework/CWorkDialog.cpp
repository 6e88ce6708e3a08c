#include "framework/CWorkDialog.h"

#include <utility>

CWorkDialog::CWorkDialog(UINT templateId, CWnd* parent, UINT progressMilliseconds)
    : CDialog(templateId, parent), m_progressMilliseconds(progressMilliseconds) {}

void CWorkDialog::RunWork(std::function<void()> work) {
  m_work = std::move(work);
  if (DoModal() == -1 && m_work) m_work();  // no window to show: the work runs here
  if (m_worker.joinable()) {
    if (!m_workEnded) StopWork();
    m_worker.join();
  }
  // What went wrong on the worker goes on here, as if the work had run on this thread.
  if (m_failure) std::rethrow_exception(std::exchange(m_failure, nullptr));
}

BOOL CWorkDialog::OnInitDialog() {
  const BOOL result = CDialog::OnInitDialog();
  SetTimer(kProgressTimer, m_progressMilliseconds);
  m_worker = std::jthread([this, work = std::exchange(m_work, nullptr)] {
    try {
      work();
    } catch (...) {
      m_failure = std::current_exception();
    }
    m_workEnded = true;
    const std::lock_guard lock(m_windowLock);
    if (!m_windowGone) PostMessage(kWorkEnded);
  });
  return result;
}

LRESULT CWorkDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    const std::lock_guard lock(m_windowLock);
    m_windowGone = true;
  }
  // A close request (its own close box, or its owner's, handed on) asks the work to
  // stop as Cancel does; it is noted, since the user meant to leave.
  if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) m_closeRequested = true;
  if (message == kWorkEnded) {
    KillTimer(kProgressTimer);
    EndDialog(IDOK);
    return 0;
  }
  return CDialog::WindowProc(message, wParam, lParam);
}

BOOL CWorkDialog::PreTranslateMessage(UINT message, WPARAM wParam) {
  if (message == WM_KEYDOWN && wParam == VK_RETURN) return TRUE;
  return CDialog::PreTranslateMessage(message, wParam);
}
