#include "ui/AboutDlg.h"

#include "extensions/FileVersionInfo.h"
#include "ui/widgets/BitmapResource.h"
#include "ui/widgets/ResourceIds.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <cstdio>

namespace {

QPixmap PictureStrip()
{
    const QPixmap strip = LoadBitmapResource(IDB_PICTURE_STRIP);
    return strip.isNull() ? GradientPicture(QSize(64, 160), QColor(65, 118, 227), QColor(0, 0, 96)) : strip;
}

} // namespace

std::string CAboutDlg::VersionText()
{
    vexoExtensions::CFileVersionInfo info;
    const bool found = info.Create();
    // A build without the version block (a test binary) still names itself.
    const std::string product = found ? info.GetProductName() : "Zuvio";
    const std::string version = found ? info.GetFileVersion() : ZUVIO_VERSION;
    char text[256];
    std::snprintf(text, sizeof text, "%s %s", product.c_str(), version.c_str());
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
