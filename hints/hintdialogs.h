// The dialogs that show and change the hint records: the setup list, Add and Edit.
#pragma once
#include "common/platform.h"

#ifdef _WIN32
// The setup dialog "MainDlg": the list of records and the commands on them.
INT_PTR CALLBACK MainDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// "AddProgramDlg": creates a record from a name and a description.
INT_PTR CALLBACK AddProgramDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// "EditDlg": rewrites the description and the flag of the record at SelectedHintIndex.
INT_PTR CALLBACK EditDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The setup dialog that is opening an Edit dialog, set right before DialogBoxParamA. The Edit
// dialog has no owner window; it reads this during its WM_INITDIALOG, which runs inside that
// DialogBoxParamA call, to find the window its failure message belongs to.
extern HWND EditRequestingDialog;

// The caption of the setup dialog's own messages, also of one shown for it by an Edit dialog.
extern const char SetupMessageCaption[];
#endif
