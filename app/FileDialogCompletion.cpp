#include "FileDialogCompletion.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFileDialog>

void CloseCompletionPopup(const QFileDialog* dialog)
{
    if (!dialog)
        return;
    for (const QCompleter* completer : dialog->findChildren<QCompleter*>()) {
        QAbstractItemView* list = completer->popup();
        if (list && list->isVisible())
            list->hide();
    }
}
