// Message dialogs, message boxes and the input box of the form framework. All are
// modal, owned by the application's active form, and run on the user-interface thread.
#pragma once

#include "forms/Forms.h"

#include <string>

enum class TMsgDlgType { Error, Confirmation };

// Buttons of a message dialog, in the order they are laid out.
enum : unsigned { mbOK = 1, mbCancel = 2, mbYes = 4, mbNo = 8 };

// Shows the framework's message dialog: caption "Error" with the error icon, or
// "Confirm" with the question-mark icon; buttons "OK", "Cancel", "&Yes", "&No" as
// chosen. Enter presses defaultButton and Escape presses escapeButton (each one of the
// mb* values, or 0 for none). CR CR in text separates paragraphs. Returns mrOK,
// mrCancel, mrYes or mrNo (mrCancel when the dialog is closed without a button and
// there is no escape button). Passes through Application.OnDialog, which answers for a
// message it does not show: the escape button's result, else mrCancel when Cancel is
// offered, else the default button's.
int MessageDlg(const std::string& text, TMsgDlgType type, unsigned buttons,
               unsigned defaultButton, unsigned escapeButton);

// The system message box (MessageBoxA) owned by the active form; returns its IDxxx.
// Passes through Application.OnDialog (unshown: IDOK for MB_OK, IDNO for MB_YESNO,
// IDCANCEL for the other kinds with Cancel).
int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags);

// Asks for a line of text. Returns the edited text on OK and initial on Cancel.
std::string InputBox(const std::string& caption, const std::string& prompt,
                     const std::string& initial);

// CR CR paragraph breaks as the dialogs draw them (CR LF).
std::string DialogText(const std::string& text);
