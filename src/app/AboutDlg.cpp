#include "app/AboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>

#include <cstdio>

namespace {

QPixmap PictureStrip()
{
    QPixmap strip(64, 160);
    QPainter painter(&strip);
    QLinearGradient gradient(0, 0, 0, strip.height());
    gradient.setColorAt(0, QColor(65, 118, 227));
    gradient.setColorAt(1, QColor(0, 0, 96));
    painter.fillRect(strip.rect(), gradient);
    return strip;
}

} // namespace

std::string CAboutDlg::VersionText()
{
    char text[128];
    std::snprintf(text, sizeof text, "%s %s", "Zuvio", ZUVIO_VERSION);
    return text;
}

CAboutDlg::CAboutDlg(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About..."));
    auto* picture = new QLabel(this);
    picture->setPixmap(PictureStrip());
    auto* fixed = new QLabel(QStringLiteral("Media player for shows and installations."), this);
    m_pVersion = new QLabel(this);
    m_pVersion->setObjectName(QStringLiteral("Version"));
    m_pVersion->setText(QString::fromLocal8Bit(VersionText().c_str()));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* texts = new QVBoxLayout();
    texts->addWidget(m_pVersion);
    texts->addWidget(fixed);
    texts->addStretch(1);
    texts->addWidget(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(picture);
    layout->addLayout(texts);
}
