#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QProgressBar;

// The one modeless progress box: a text line and a bar of range 0..100. At
// most one exists at a time; the free functions below reach it and do
// nothing while none is open. User-interface thread only.
class CProgressDlg : public QDialog {
    Q_OBJECT
public:
    // Closes any open progress box, then creates a new one over `parent`,
    // centred on it, and shows it.
    static CProgressDlg* Open(QWidget* parent);

    // The open progress box, or nullptr.
    static CProgressDlg* Current();

    void SetText(const QString& caption, const QString& message);
    void SetPos(int percent);

    QString text() const;
    int pos() const;

private:
    explicit CProgressDlg(QWidget* parent);
    ~CProgressDlg() override;

    QLabel* m_text;
    QProgressBar* m_bar;
};

void ProgressSetText(const QString& caption, const QString& message);
// Values below 0 or above 100 are ignored.
void ProgressSetPos(int percent);
// Closes and forgets the open progress box.
void ProgressClose();
