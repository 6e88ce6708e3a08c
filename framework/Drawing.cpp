#include "framework/Drawing.h"

CPaintDC::CPaintDC(CWnd* window) : m_window(window), m_hDC(port::BeginPaint(window->GetSafeHwnd())) {}

CPaintDC::~CPaintDC() { port::EndPaint(m_window->GetSafeHwnd(), m_hDC); }

BOOL CPaintDC::DrawIcon(int x, int y, HICON icon) {
  port::DrawIcon(m_hDC, x, y, icon);
  return icon != nullptr ? TRUE : FALSE;
}

int GetSystemMetrics(int index) { return port::SystemMetric(index); }
