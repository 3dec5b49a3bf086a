#pragma once

#include <QDialog>

class QTextEdit;
class CLogBuffer;

// The logbook window: mirrors the log buffer, one coloured line per message on
// dark blue. Closing only hides it; the main frame's 100 ms tick refills it
// when the buffer changed, visible or not.
class CLogBookDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int IDD = 197;
    static constexpr int IDC_LOGTEXT = 1017;

    explicit CLogBookDlg(QWidget* parent = nullptr);

    void Show(bool show);
    void Refill();
    void OnTimer();

    bool IsCreated() const { return m_bCreated; }
    bool IsShown() const { return m_bVisible; }
    QTextEdit* TextControl() const { return m_pText; }

    static QColor LevelColour(int level);

    // Escape and the close box only hide the window.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QTextEdit* m_pText = nullptr;
    bool m_bCreated = false;
    bool m_bVisible = false;
};
