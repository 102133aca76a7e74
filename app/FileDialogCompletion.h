#pragma once
// Pressing Return in a file dialog's name box accepts the dialog while the
// box's completion list may still be on screen; that list then takes the next
// click anywhere in the program just to close itself. Both windows that use a
// file dialog close it once the dialog has returned.

class QFileDialog;

// Hides every completion list of `dialog` that is still showing.
void CloseCompletionPopup(const QFileDialog* dialog);
