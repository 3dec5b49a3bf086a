#pragma once

#include <QRect>
#include <QString>

#include <cstdint>

class QPainter;
class QWidget;

// The control bar's status line: a state symbol, a text that alternates every
// 2 s between the state word and the title, and "position / duration" at the
// right. Owner-drawn into its parent; the parent's 100 ms timer drives OnTimer.
class CStatusDisplay
{
public:
    static constexpr int kSwitchMs = 2000;

    void Create(QWidget* parent, int height);
    bool IsCreated() const { return m_bCreated; }

    // Where the display draws, in the parent's coordinates (its height is fixed).
    void SetRect(const QRect& rect);
    QRect GetRect() const { return m_rc; }

    void SetPlayState(int state) { m_PlayState = state; }
    void SetTitle(const QString& title) { m_Title = title; }
    void SetPosition(uint32_t ms) { m_Position = ms; }
    void SetDuration(uint32_t ms) { m_Duration = ms; }
    void Redraw();

    void OnTimer();
    // The tick with an explicit tick count, for tests.
    void OnTick(int64_t nowMs);

    void Draw(QPainter& painter) const;

    // What the text part shows now: the state word, or the title in text mode 1.
    QString CurrentText() const;
    QString TimesText() const;
    int TextMode() const { return m_TextMode; }

    // "%2d:%02d:%02d": hours modulo 24, minutes, seconds; milliseconds dropped.
    static QString FormatTime(uint32_t ms);

private:
    QWidget* m_pParent = nullptr;
    bool m_bCreated = false;
    int m_PlayState = 0;
    int m_Height = 14;
    int m_TextMode = 0;
    uint32_t m_Duration = 0;
    uint32_t m_Position = 0;
    QString m_Title;
    int64_t m_ModeStart = 0;
    QRect m_rc;
};
