#include "ui/PrefsFormPage.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

CPrefsFormPage::CPrefsFormPage(CPreferences& prefs, QWidget* parent)
    : QWidget(parent)
    , m_Prefs(prefs)
    , m_pLayout(new QFormLayout(this))
{
}

QComboBox* CPrefsFormPage::AddChoice(const QString& label, const QStringList& items)
{
    auto* combo = new QComboBox(this);
    combo->addItems(items);
    m_pLayout->addRow(label, combo);
    return combo;
}

QSpinBox* CPrefsFormPage::AddNumber(const QString& label, int lowest, int highest)
{
    auto* spin = new QSpinBox(this);
    spin->setRange(lowest, highest);
    m_pLayout->addRow(label, spin);
    return spin;
}

QLineEdit* CPrefsFormPage::AddText(const QString& label, const QString& placeholder)
{
    auto* edit = new QLineEdit(this);
    edit->setPlaceholderText(placeholder);
    m_pLayout->addRow(label, edit);
    return edit;
}

void CPrefsFormPage::AddNote(const QString& text)
{
    auto* note = new QLabel(text, this);
    note->setWordWrap(true);
    m_pLayout->addRow(note);
}

void CPrefsFormPage::SetSelector(QComboBox* selector)
{
    connect(selector, &QComboBox::currentIndexChanged, this, [this] { UpdateControls(); });
}
