#include "ui/QtUiServices.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStringList>

namespace {

QString Local(const std::string& text)
{
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToLocal(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}

// Long additions show a progress window only once they pass this many items.
constexpr int kProgressThreshold = 50;

// "PLS Playlist (*.pls)" -> "pls"; empty when the first pattern names no plain extension.
QString SuffixOfNameFilter(const QString& nameFilter)
{
    const qsizetype open = nameFilter.lastIndexOf(QLatin1Char('('));
    const QString patterns = nameFilter.mid(open + 1).section(QLatin1Char(')'), 0, 0);
    const QString first = patterns.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    if (!first.startsWith(QLatin1String("*.")))
        return {};
    const QString suffix = first.mid(2);
    return suffix.contains(QLatin1Char('*')) || suffix.contains(QLatin1Char('?')) ? QString() : suffix;
}

} // namespace

CQtUiServices::CQtUiServices(QWidget* parent)
    : m_pParent(parent)
{
}

CQtUiServices::~CQtUiServices()
{
    while (m_nBusyDepth > 0)
        EndBusy();
}

QString CQtUiServices::ToQtFilter(const std::string& filter)
{
    const QStringList parts = Local(filter).split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            if (p == QLatin1String("*.*"))
                p = QStringLiteral("*");
        result << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return result.join(QStringLiteral(";;"));
}

void CQtUiServices::MessageBox(const std::string& text, const std::string& caption, Icon icon)
{
    QMessageBox::Icon qtIcon = QMessageBox::Information;
    switch (icon) {
    case ICON_WARNING:
        qtIcon = QMessageBox::Warning;
        break;
    case ICON_ERROR:
        qtIcon = QMessageBox::Critical;
        break;
    case ICON_QUESTION:
        qtIcon = QMessageBox::Question;
        break;
    case ICON_INFORMATION:
        break;
    }
    auto* box = new QMessageBox(qtIcon, Local(caption), Local(text), QMessageBox::Ok, m_pParent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

bool CQtUiServices::GetOpenFileName(const std::string& title, const std::string& filter,
    const std::string& defaultExt, const std::string& initialPath, std::string& path)
{
    QFileDialog dialog(m_pParent, Local(title), Local(initialPath), ToQtFilter(filter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setDefaultSuffix(Local(defaultExt));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    path = ToLocal(dialog.selectedFiles().front());
    return true;
}

bool CQtUiServices::GetOpenFileNames(
    const std::string& title, const std::string& filter, std::vector<std::string>& paths)
{
    const QStringList files
        = QFileDialog::getOpenFileNames(m_pParent, Local(title), QString(), ToQtFilter(filter));
    if (files.isEmpty())
        return false;
    paths.clear();
    for (const QString& f : files)
        paths.push_back(ToLocal(f));
    return true;
}

bool CQtUiServices::GetSaveFileName(const std::string& title, const std::string& filter,
    const std::string& defaultExt, const std::string& initialPath, std::string& path)
{
    QFileDialog dialog(m_pParent, Local(title), Local(initialPath), ToQtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // A name typed without an extension gets the chosen type's, as the user
    // expects from picking it; the default extension serves types without one.
    const auto followType = [&dialog, fallback = Local(defaultExt)](const QString& nameFilter) {
        const QString suffix = SuffixOfNameFilter(nameFilter);
        dialog.setDefaultSuffix(suffix.isEmpty() ? fallback : suffix);
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, followType);
    followType(dialog.selectedNameFilter());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    path = ToLocal(dialog.selectedFiles().front());
    return true;
}

bool CQtUiServices::BrowseForFolder(const std::string& title, std::string& folder)
{
    const QString chosen = QFileDialog::getExistingDirectory(m_pParent, Local(title), Local(folder));
    if (chosen.isEmpty())
        return false;
    folder = ToLocal(chosen);
    return true;
}

void CQtUiServices::BeginBusy(const std::string& what)
{
    if (m_nBusyDepth++ == 0) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_BusyText = Local(what);
    }
}

void CQtUiServices::Progress(int done, int total)
{
    if (m_nBusyDepth == 0 || done < kProgressThreshold)
        return;
    if (!m_pProgress) {
        // Non-modal: a modal progress dialog would run a nested event loop inside the
        // operation, and remote commands must not re-enter it half-way.
        m_pProgress = new QProgressDialog(m_pParent);
        m_pProgress->setAttribute(Qt::WA_DeleteOnClose);
        m_pProgress->setWindowModality(Qt::NonModal);
        m_pProgress->setCancelButton(nullptr);
        m_pProgress->setMinimumDuration(0);
        m_pProgress->show();
    }
    m_pProgress->setRange(0, total > 0 ? total : 0);
    m_pProgress->setValue(total > 0 ? std::min(done, total) : 0);
    m_pProgress->setLabelText(total > 0 ? QStringLiteral("%1 (%2 of %3)").arg(m_BusyText).arg(done).arg(total)
                                        : QStringLiteral("%1 (%2)").arg(m_BusyText).arg(done));
    m_pProgress->repaint();
}

void CQtUiServices::EndBusy()
{
    if (m_nBusyDepth == 0)
        return;
    if (--m_nBusyDepth == 0) {
        QApplication::restoreOverrideCursor();
        if (m_pProgress)
            m_pProgress->close();
    }
}
