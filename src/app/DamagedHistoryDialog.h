#pragma once

#include <QMessageBox>

namespace orvane {

// Asks, at start-up, whether a damaged history file may be moved aside (renamed, not deleted)
// so that the program starts with a new, empty history.
class DamagedHistoryDialog : public QMessageBox
{
public:
    // `problem`: the store's "… is damaged: REASON"; `aside`: where the file would go.
    DamagedHistoryDialog(const QString &problem, const QString &aside, QWidget *parent = nullptr);

    bool startNewHistory() const { return clickedButton() == m_startNew; }

private:
    QAbstractButton *m_startNew;
};

} // namespace orvane
