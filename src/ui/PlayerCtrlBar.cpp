#include "ui/PlayerCtrlBar.h"

#include "core/Profile.h"
#include "ui/widgets/PaintBox.h"
#include "ui/widgets/ResourceIds.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace {
const char* const kSection = "CtrlBar";
const char* const kVolumeEntry = "m_Volume";
const QColor kTop(65, 118, 227);
const QColor kBottom(0, 0, 96);
constexpr int kStatusHeight = 14;

unsigned Flags(const QMouseEvent* event)
{
    return static_cast<unsigned>(event->buttons()) | static_cast<unsigned>(event->modifiers());
}
} // namespace

CPlayerCtrlBar::CPlayerCtrlBar(CMessageTarget* mainFrame, QWidget* parent)
    : QWidget(parent)
    , m_PlayButton(mainFrame)
    , m_PauseButton(mainFrame)
    , m_StopButton(mainFrame)
    , m_MuteButton(mainFrame)
    , m_PrevButton(mainFrame)
    , m_NextButton(mainFrame)
    , m_PlayerAButton(mainFrame)
    , m_PlayerBButton(mainFrame)
    , m_PosSlider(mainFrame)
    , m_VolSlider(mainFrame)
    , m_pMainFrame(mainFrame)
{
    setFixedHeight(kHeight);
    setMinimumWidth(480);
    setMouseTracking(true);
    // Every pixel is painted from the off-screen picture; nothing to erase.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CPlayerCtrlBar::~CPlayerCtrlBar()
{
    // A bar that never got its initial update has no volume worth keeping.
    if (m_bInitialised && m_VolSlider.GetPos() >= 0)
        WriteProfileInt(kSection, kVolumeEntry, static_cast<int>(m_VolSlider.GetPos()));
}

void CPlayerCtrlBar::OnInitialUpdate()
{
    if (m_bInitialised)
        return;
    const int width = this->width();

    m_PlayButton.Create(this, 5, 30);
    m_PauseButton.Create(this, 35, 30);
    m_StopButton.Create(this, 65, 30);
    m_MuteButton.Create(this, 145, 44);
    m_PlayerAButton.Create(this, 375, 36);
    m_PlayerBButton.Create(this, 405, 36);
    m_PrevButton.Create(this, 290, 44);
    m_NextButton.Create(this, 320, 44);
    m_LogoButton.Create(this, 600, 37, IDB_LOGO);
    m_LogoButton.Move(width - 12 - m_LogoButton.GetWidth(), 37);

    m_PlayButton.SetToolTip(QStringLiteral("Play"));
    m_PauseButton.SetToolTip(QStringLiteral("Pause"));
    m_StopButton.SetToolTip(QStringLiteral("Stop"));
    m_MuteButton.SetToolTip(QStringLiteral("Toggle Mute"));
    m_PlayerAButton.SetToolTip(QStringLiteral("Switch to Player A"));
    m_PlayerBButton.SetToolTip(QStringLiteral("Switch to Player B"));
    m_PrevButton.SetToolTip(QStringLiteral("Previous Track"));
    m_NextButton.SetToolTip(QStringLiteral("Next Track"));
    m_LogoButton.SetToolTip(QString::fromLatin1(CLogoButton::kMakerUrl));
    m_PlayerAButton.SetLit(true);

    m_VolSlider.Create(static_cast<int>(SLIDER_VOLUME_ID), CRect { 170, 47, 250, 54 }, this, false);
    m_VolSlider.SetToolTip(QStringLiteral("Volume"));
    m_VolSlider.SetRange(m_VolumeRange);
    m_VolSlider.SetPos(m_VolumeRange);

    m_PosSlider.Create(static_cast<int>(SLIDER_POSITION_ID), CRect { 130, 23, 140, 28 }, this, false);
    m_PosSlider.SetToolTip(QStringLiteral("Seek"));
    m_PosSlider.SetWidth(width - 165);
    m_PosSlider.Enable(false);

    m_Status.Create(this, kStatusHeight);
    m_Status.SetRect(QRect(8, 4, width - 20, kStatusHeight));

    // A stored value outside 0 ... R (edited file, changed range) would ask the
    // players for a volume above 0 dB or below silence: take the nearest end.
    int volume = GetProfileInt(kSection, kVolumeEntry, m_VolumeRange);
    volume = std::clamp(volume, 0, std::max(m_VolumeRange, 0));
    m_VolSlider.SetPos(volume);
    if (m_pMainFrame)
        m_pMainFrame->SendMessage(WM_CMD_SLIDER, SLIDER_VOLUME_ID, volume);

    m_bInitialised = true;
    update();
}

void CPlayerCtrlBar::SetVolumePos(int64_t pos)
{
    m_VolSlider.SetPos(pos);
    update();
}

bool CPlayerCtrlBar::ApplyVolumeRange(int range)
{
    const bool changed = range != m_VolumeRange;
    m_VolumeRange = range;
    m_VolSlider.SetRange(range);
    if (changed)
        SetVolumePos(range);
    return changed;
}

void CPlayerCtrlBar::SetActivePlayer(int player)
{
    m_PlayerAButton.SetLit(player == PLAYER_A);
    m_PlayerBButton.SetLit(player == PLAYER_B);
}

void CPlayerCtrlBar::resizeEvent(QResizeEvent* event)
{
    if (m_bInitialised) {
        m_PosSlider.SetWidth(width() - 165);
        m_LogoButton.OnSize(0, width(), height());
        m_Status.SetRect(QRect(8, 4, width() - 20, kStatusHeight));
    }
    QWidget::resizeEvent(event);
}

void CPlayerCtrlBar::Forward(Mouse kind, unsigned flags, const QPoint& point)
{
    CMyButton* const buttons[] = { &m_PlayButton, &m_PauseButton, &m_StopButton, &m_MuteButton,
        &m_PlayerAButton, &m_PlayerBButton, &m_PrevButton, &m_NextButton };
    CMySlider* const sliders[] = { &m_PosSlider, &m_VolSlider };
    for (CMyButton* b : buttons) {
        switch (kind) {
        case Mouse::Down:
            b->OnLButtonDown(flags, point);
            break;
        case Mouse::Up:
            b->OnLButtonUp(flags, point);
            break;
        case Mouse::Move:
            b->OnMouseMove(flags, point);
            break;
        }
    }
    for (CMySlider* s : sliders) {
        switch (kind) {
        case Mouse::Down:
            s->OnLButtonDown(flags, point);
            break;
        case Mouse::Up:
            s->OnLButtonUp(flags, point);
            break;
        case Mouse::Move:
            s->OnMouseMove(flags, point);
            break;
        }
    }
    switch (kind) {
    case Mouse::Down:
        m_LogoButton.OnLButtonDown(flags, point);
        break;
    case Mouse::Up:
        m_LogoButton.OnLButtonUp(flags, point);
        break;
    case Mouse::Move:
        m_LogoButton.OnMouseMove(flags, point);
        break;
    }
}

void CPlayerCtrlBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        Forward(Mouse::Down, Flags(event), event->position().toPoint());
    QWidget::mousePressEvent(event);
}

void CPlayerCtrlBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        Forward(Mouse::Up, Flags(event), event->position().toPoint());
    QWidget::mouseReleaseEvent(event);
}

void CPlayerCtrlBar::mouseMoveEvent(QMouseEvent* event)
{
    Forward(Mouse::Move, Flags(event), event->position().toPoint());
    QWidget::mouseMoveEvent(event);
}

void CPlayerCtrlBar::leaveEvent(QEvent* event)
{
    // No move arrives once the pointer is gone: let hovered buttons rest.
    Forward(Mouse::Move, 0, QPoint(-1, -1));
    QWidget::leaveEvent(event);
}

bool CPlayerCtrlBar::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        CMyButton* const buttons[] = { &m_PlayButton, &m_PauseButton, &m_StopButton, &m_MuteButton,
            &m_PlayerAButton, &m_PlayerBButton, &m_PrevButton, &m_NextButton, &m_LogoButton };
        bool shown = m_PosSlider.RelayToolTipEvent(event) || m_VolSlider.RelayToolTipEvent(event);
        for (CMyButton* b : buttons)
            shown = shown || b->RelayToolTipEvent(event);
        if (!shown) {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}

void CPlayerCtrlBar::PaintInto(QPainter& painter)
{
    CPaintBox::GradientFill(painter, rect(), kTop, kBottom);
    m_PlayButton.Draw(painter);
    m_PauseButton.Draw(painter);
    m_StopButton.Draw(painter);
    m_MuteButton.Draw(painter);
    m_PlayerAButton.Draw(painter);
    m_PlayerBButton.Draw(painter);
    m_PrevButton.Draw(painter);
    m_NextButton.Draw(painter);
    m_VolSlider.Draw(painter);
    m_PosSlider.Draw(painter);
    m_LogoButton.Draw(painter);
    m_Status.Draw(painter);
}

QPixmap CPlayerCtrlBar::Render()
{
    QPixmap picture(size() * devicePixelRatioF());
    picture.setDevicePixelRatio(devicePixelRatioF());
    QPainter painter(&picture);
    PaintInto(painter);
    return picture;
}

void CPlayerCtrlBar::paintEvent(QPaintEvent*)
{
    const QPixmap picture = Render();
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture);
}
