#pragma once
// Auto-save of the receive pane (`RecSave` 接收自动保存): while on, a pane
// that grows past the limit is appended to the day's file 自动存储<date>.txt
// under a dated header and then emptied. The pane is emptied only once its
// text is in the file, written and flushed; a failed write keeps the pane
// (the next change tries again) and is said once in status panel 6 and in a
// message box. The same pane-change handler keeps a read-only pane at its end.

#include <QObject>
#include <QString>

class Dialogs;
class QAction;
class QCheckBox;
class StatusBar;
class TextPane;

class ReceiveAutoSave : public QObject
{
    Q_OBJECT
public:
    static constexpr int kLargestLimit = 32760;
    static constexpr int kStartLimit = 1000;

    struct Services
    {
        Dialogs &dialogs;
        StatusBar &status;
        TextPane &pane;
        QCheckBox &readOnly; // `onlyR`
    };

    ReceiveAutoSave(const Services &services, QObject *parent);

    QAction *RecSave() const { return m_recSave; }
    int limit() const { return m_limit; }
    // The file the chunks of today go to.
    static QString dayFile();

    // `RecSave`: switching on asks for the limit; switching off asks nothing.
    void SwitchAutoSave();

private:
    // `Text2_Change`.
    void paneChanged();
    void saveChunk();
    // Asks for the limit until the answer is in range; false when cancelled.
    bool askLimit();

    Services m_s;
    QAction *m_recSave;
    int m_limit = kStartLimit;
    // The pane is being emptied after a save: that change saves nothing.
    bool m_saving = false;
    // A failed write was reported; the next one is not, until a save succeeds.
    bool m_failing = false;
};
