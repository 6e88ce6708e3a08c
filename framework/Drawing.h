// Painting a window: the paint context of one paint, and the system's metrics.
#pragma once

#include "framework/CWnd.h"

// The paint context of one paint of `window`, released when it goes.
class CPaintDC {
 public:
  explicit CPaintDC(CWnd* window);
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;
  ~CPaintDC();

  HDC GetSafeHdc() const { return m_hDC; }
  BOOL DrawIcon(int x, int y, HICON icon);

 private:
  CWnd* m_window;
  HDC m_hDC;
};

int GetSystemMetrics(int index);
