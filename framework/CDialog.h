// Modal dialogs made from a dialog template, and the text exchange between their
// fields and CString members.
#pragma once

#include "framework/CWnd.h"

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr);

  // Creates the dialog, runs it until EndDialog, destroys it; returns EndDialog's
  // result, or -1 when the dialog could not be created.
  virtual int DoModal();
  void EndDialog(int result);

  virtual BOOL OnInitDialog();
  // The standard OK: read the fields into the members, then end with IDOK.
  virtual void OnOK();
  // The standard Cancel: end with IDCANCEL.
  virtual void OnCancel();

  // The template id of the modal dialog running innermost, or 0.
  static UINT ActiveTemplateId();

  // Shrinks the multi-line field `id` to the height of its text, at most the template's
  // height, where it scrolls; what lies below it and the window's bottom move with it,
  // and the window keeps its centre. Controls below it must have ids of their own.
  void FitDlgItemToText(int id);

 protected:
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  UINT m_templateId;
  CWnd* m_parent;

  DECLARE_MESSAGE_MAP()
};

// Exchanges the text of control `id` with `value`: reads it verbatim, or writes it
// only when the control shows something else.
void DDX_Text(CDataExchange* exchange, int id, CString& value);

// Shows `thousandths` on the progress bar `id`; a bar gives nothing back.
void DDX_Progress(CDataExchange* exchange, int id, int& thousandths);
