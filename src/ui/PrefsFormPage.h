#pragma once

#include <QStringList>
#include <QWidget>

class CPreferences;
class QComboBox;
class QFormLayout;
class QLineEdit;
class QSpinBox;

// A page of the "Program Preferences" sheet laid out as a form. OnInitDialog
// loads the controls from the preferences object (the page calls it on
// construction; the sheet each time the page is opened again), OnOK writes them
// back. A change of the page's selector, the choice the other controls depend
// on, calls UpdateControls.
class CPrefsFormPage : public QWidget
{
    Q_OBJECT

public:
    virtual void OnInitDialog() = 0;
    virtual void OnOK() = 0;

protected:
    CPrefsFormPage(CPreferences& prefs, QWidget* parent);

    QComboBox* AddChoice(const QString& label, const QStringList& items);
    QSpinBox* AddNumber(const QString& label, int lowest, int highest);
    QLineEdit* AddText(const QString& label, const QString& placeholder);
    // A wrapped line of explanation below the controls.
    void AddNote(const QString& text);
    void SetSelector(QComboBox* selector);
    // Enables the controls that the selector's choice leaves in use.
    virtual void UpdateControls() = 0;

    CPreferences& m_Prefs;

private:
    QFormLayout* m_pLayout;
};
