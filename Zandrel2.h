// The application: one modal run of the install dialog, then the end.
#pragma once

#include "framework/Afx.h"

class CZandrel2App : public CWinApp {
 public:
  CZandrel2App() = default;

  BOOL InitInstance() override;

  DECLARE_MESSAGE_MAP()
};

extern CZandrel2App theApp;
