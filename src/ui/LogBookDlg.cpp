#include "ui/LogBookDlg.h"

#include "core/Log.h"
#include "core/LogBuffer.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

CLogBookDlg::CLogBookDlg(QWidget* parent)
    : QDialog(parent,
        Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
            | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("Logbook"));
    setSizeGripEnabled(true);
    resize(345, 446); // 230 x 274 dialog units

    m_pText = new QTextEdit(this);
    m_pText->setObjectName(QStringLiteral("LogText"));
    m_pText->setReadOnly(true);
    m_pText->setLineWrapMode(QTextEdit::NoWrap);
    m_pText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette pal = m_pText->palette();
    pal.setColor(QPalette::Base, QColor(0, 0, 64));
    pal.setColor(QPalette::Text, LevelColour(LOG_LEVEL_INFO));
    m_pText->setPalette(pal);
    m_pText->setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pText);

    m_bCreated = true;
}

QColor CLogBookDlg::LevelColour(int level)
{
    switch (level) {
    case LOG_LEVEL_INFO:
        return { 255, 255, 255 };
    case LOG_LEVEL_ERROR:
        return { 255, 128, 128 };
    case LOG_LEVEL_WARNING:
        return { 232, 255, 71 };
    default:
        return { 164, 164, 164 };
    }
}

void CLogBookDlg::Show(bool show)
{
    if (!m_bCreated || show == m_bVisible)
        return;
    m_bVisible = show;
    if (show) {
        QDialog::show();
        Refill();
    } else {
        QDialog::hide();
    }
}

void CLogBookDlg::Refill()
{
    if (!g_pLogBuffer)
        return;
    g_pLogBuffer->TakeChanged();
    m_pText->setUpdatesEnabled(false);
    m_pText->clear();
    QTextCursor cursor(m_pText->document());
    // One edit block: the document is laid out once, not once per line.
    cursor.beginEditBlock();
    // One insertion per run of lines of the same colour.
    QString run;
    int runLevel = -1;
    const auto flush = [&] {
        if (run.isEmpty())
            return;
        QTextCharFormat format;
        format.setForeground(LevelColour(runLevel));
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(run, format);
        run.clear();
    };
    const int count = g_pLogBuffer->GetLineCount();
    for (int i = 0; i < count; ++i) {
        const CLogBuffer::Line line = g_pLogBuffer->GetLine(i);
        if (line.text.empty())
            continue;
        const int level = line.level > 3 ? 0 : line.level;
        if (level != runLevel)
            flush();
        runLevel = level;
        run += QString::fromLocal8Bit(line.text) + QLatin1Char('\n');
    }
    flush();
    cursor.endEditBlock();
    m_pText->setUpdatesEnabled(true);
    m_pText->update();
}

void CLogBookDlg::OnTimer()
{
    // A hidden window is not refilled: laying out 500 lines costs the interface
    // thread 10-50 ms a tick while the log is busy, and Show refills it anyway.
    if (m_bVisible && g_pLogBuffer && g_pLogBuffer->IsChanged())
        Refill();
}

void CLogBookDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CLogBookDlg::closeEvent(QCloseEvent* event)
{
    event->ignore();
    Show(false);
}

void CLogBookDlg::reject()
{
    Show(false);
}
