#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;

// Asks whether a loaded archive replaces its case. exec() gives the button
// code (Yes 6, No 7, Cancel 2) in the low 16 bits and the "Same Operation"
// check box (0 or 1) in the high 16 bits.
class CReplaceDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kYes = 6;
    static constexpr int kNo = 7;
    static constexpr int kCancel = 2;

    CReplaceDlg(QWidget* parent, const QString& archiveName);

    static int ButtonOf(int result) { return result & 0xFFFF; }
    static bool SameOperationOf(int result) { return ((result >> 16) & 0xFFFF) != 0; }

    // Escape and the title bar's close button count as Cancel.
    void reject() override;

private:
    void Answer(int button);

    QLabel* m_text;
    QCheckBox* m_sameOperation;
};
