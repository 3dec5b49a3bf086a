#include "app/CtrlBarPlaceholder.h"

#include "app/Profile.h"

#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QToolButton>

#include <cstdio>

namespace {
constexpr int kPositionScale = 100; // QSlider is 32-bit: the position slider counts in 1/10 s
}

CPlayerCtrlBar::CPlayerCtrlBar(CMessageTarget* frame, QWidget* parent)
    : QWidget(parent)
    , m_pFrame(frame)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 96));
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(5, 2, 12, 2);
    grid->setVerticalSpacing(2);
    m_pStatus = new QLabel(this);
    m_pPosition = new QSlider(Qt::Horizontal, this);
    m_pPosition->setToolTip(QStringLiteral("Seek"));
    m_pPosition->setEnabled(false);
    grid->addWidget(m_pStatus, 0, 0);
    grid->addWidget(m_pPosition, 1, 0);

    auto* row = new QHBoxLayout();
    grid->addLayout(row, 2, 0);
    connect(AddButton("Play", "Play"), &QToolButton::clicked, this, [this] { Send(WM_CMD_PLAY, 0, 0); });
    connect(AddButton("Pause", "Pause"), &QToolButton::clicked, this, [this] { Send(WM_CMD_PAUSE, 0, 0); });
    connect(AddButton("Stop", "Stop"), &QToolButton::clicked, this, [this] { Send(WM_CMD_STOP, 0, 0); });
    m_pMute = AddButton("Mute", "Toggle Mute");
    m_pMute->setCheckable(true);
    connect(m_pMute, &QToolButton::toggled, this, [this](bool on) { Send(WM_CMD_MUTE, 0, on ? 1 : 0); });
    m_pVolume = new QSlider(Qt::Horizontal, this);
    m_pVolume->setToolTip(QStringLiteral("Volume"));
    m_pVolume->setFixedWidth(80);
    row->addWidget(m_pVolume);
    connect(AddButton("<<", "Previous Track"), &QToolButton::clicked, this, [this] { Send(WM_CMD_STEP_TRACK, 0, 0); });
    connect(AddButton(">>", "Next Track"), &QToolButton::clicked, this, [this] { Send(WM_CMD_STEP_TRACK, 1, 0); });
    m_pPlayerA = AddButton("A", "Switch to Player A");
    m_pPlayerB = AddButton("B", "Switch to Player B");
    m_pPlayerA->setCheckable(true);
    m_pPlayerB->setCheckable(true);
    connect(m_pPlayerA, &QToolButton::clicked, this, [this] { Send(WM_CMD_SELECT_PLAYER, 0, 0); });
    connect(m_pPlayerB, &QToolButton::clicked, this, [this] { Send(WM_CMD_SELECT_PLAYER, 1, 0); });
    row->addStretch(1);

    connect(m_pVolume, &QSlider::sliderReleased, this,
            [this] { Send(WM_CMD_SLIDER, SLIDER_VOLUME_ID, m_pVolume->value()); });
    connect(m_pPosition, &QSlider::sliderReleased, this, [this] { Send(WM_CMD_SLIDER, SLIDER_POSITION_ID, 0); });
}

CPlayerCtrlBar::~CPlayerCtrlBar()
{
    if (m_bInitialised)
        WriteProfileInt("CtrlBar", "m_Volume", m_pVolume->value());
}

QToolButton* CPlayerCtrlBar::AddButton(const char* text, const char* tip)
{
    auto* button = new QToolButton(this);
    button->setText(QString::fromLatin1(text));
    button->setToolTip(QString::fromLatin1(tip));
    static_cast<QHBoxLayout*>(static_cast<QGridLayout*>(layout())->itemAtPosition(2, 0)->layout())->addWidget(button);
    return button;
}

void CPlayerCtrlBar::Send(unsigned msg, WPARAM wParam, LPARAM lParam)
{
    if (m_pFrame)
        m_pFrame->SendMessage(msg, wParam, lParam);
}

void CPlayerCtrlBar::OnInitialUpdate()
{
    if (m_bInitialised)
        return;
    SetPlayerButtons(0);
    m_pVolume->setRange(0, m_VolumeRange);
    const int v = GetProfileInt("CtrlBar", "m_Volume", m_VolumeRange);
    m_pVolume->setValue(v);
    m_bInitialised = true;
    Send(WM_CMD_SLIDER, SLIDER_VOLUME_ID, v);
}

void CPlayerCtrlBar::OnTimer()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - m_ModeStart >= 2000) {
        m_ModeStart = now;
        m_TextMode = (m_TextMode + 1) % 2;
        RedrawStatus();
    }
}

void CPlayerCtrlBar::SetStatusTitle(const std::string& title) { m_Title = title; }
void CPlayerCtrlBar::SetStatusPlayState(int state) { m_PlayState = state; }
void CPlayerCtrlBar::SetStatusPosition(uint32_t ms) { m_Position = ms; }
void CPlayerCtrlBar::SetStatusDuration(uint32_t ms) { m_Duration = ms; }

void CPlayerCtrlBar::RedrawStatus()
{
    static const char* const kWords[] = {"Stopped", "Paused", "Playing"};
    std::string text = m_TextMode == 1 && !m_Title.empty() ? m_Title
                       : (m_PlayState >= 0 && m_PlayState <= 2 ? kWords[m_PlayState] : "");
    text += "    " + FormatTime(m_Position) + " / " + FormatTime(m_Duration);
    m_pStatus->setText(QString::fromLocal8Bit(text.c_str()));
}

std::string CPlayerCtrlBar::FormatTime(uint32_t ms)
{
    const uint32_t s = ms / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%2d:%02d:%02d", static_cast<int>(s / 3600 % 24), static_cast<int>(s / 60 % 60),
                  static_cast<int>(s % 60));
    return text;
}

void CPlayerCtrlBar::SetPositionRange(int64_t range)
{
    m_pPosition->setRange(0, static_cast<int>(range / kPositionScale));
}

void CPlayerCtrlBar::SetPositionPos(int64_t pos)
{
    if (!m_pPosition->isSliderDown())
        m_pPosition->setValue(static_cast<int>(pos / kPositionScale));
}

int64_t CPlayerCtrlBar::GetPositionPos() const
{
    return static_cast<int64_t>(m_pPosition->value()) * kPositionScale;
}

void CPlayerCtrlBar::EnablePositionSlider(bool enable) { m_pPosition->setEnabled(enable); }
bool CPlayerCtrlBar::IsPositionSliderEnabled() const { return m_pPosition->isEnabled(); }

void CPlayerCtrlBar::SetVolumeRange(int range)
{
    m_VolumeRange = range;
    m_pVolume->setRange(0, range);
}

void CPlayerCtrlBar::SetVolumePos(int64_t pos)
{
    if (pos >= m_pVolume->minimum() && pos <= m_pVolume->maximum())
        m_pVolume->setValue(static_cast<int>(pos));
}

int64_t CPlayerCtrlBar::GetVolumePos() const { return m_pVolume->value(); }

void CPlayerCtrlBar::SetPlayerButtons(int activePlayer)
{
    m_pPlayerA->setChecked(activePlayer == 0);
    m_pPlayerB->setChecked(activePlayer == 1);
}

bool CPlayerCtrlBar::IsPlayerButtonLit(int player) const
{
    return (player == 0 ? m_pPlayerA : m_pPlayerB)->isChecked();
}
