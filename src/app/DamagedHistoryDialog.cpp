#include "app/DamagedHistoryDialog.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

namespace orvane {

DamagedHistoryDialog::DamagedHistoryDialog(const QString &problem, const QString &aside, QWidget *parent)
    : QMessageBox(parent)
{
    setIcon(QMessageBox::Warning);
    setWindowTitle(QStringLiteral("Orvane"));
    setText(QCoreApplication::translate("DamagedHistoryDialog", "Your search history cannot be opened."));
    setInformativeText(QCoreApplication::translate("DamagedHistoryDialog",
                                                   "%1\n\nOrvane can move it aside, renamed to\n%2\nin the same folder "
                                                   "(nothing is deleted), and start a new, empty history.")
                           .arg(problem, QFileInfo(aside).fileName()));
    // Wide enough that a path and a file name wrap at their slashes, not at every hyphen.
    if (auto *label = findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
        label->setMinimumWidth(label->fontMetrics().averageCharWidth() * 64);
    m_startNew = addButton(QCoreApplication::translate("DamagedHistoryDialog", "Move Aside and Start New History"), QMessageBox::AcceptRole);
    QAbstractButton *quit = addButton(QCoreApplication::translate("DamagedHistoryDialog", "Quit"), QMessageBox::RejectRole);
    setDefaultButton(qobject_cast<QPushButton *>(m_startNew));
    setEscapeButton(quit);
}

} // namespace orvane
