// Everything the program's windows are written against.
#pragma once

#include "framework/CDialog.h"
#include "framework/CString.h"
#include "framework/CWinApp.h"
#include "framework/CWnd.h"
#include "framework/CWorkDialog.h"
#include "framework/Drawing.h"
#include "framework/FolderBrowser.h"
#include "framework/Types.h"
