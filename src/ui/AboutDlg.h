#pragma once

#include <QDialog>

#include <string>

class QLabel;

// The about box: picture strip, a fixed line and the product name and file
// version from the program's own version block.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int IDD = 100;
    static constexpr int IDC_VERSION = 1030;

    explicit CAboutDlg(QWidget* parent = nullptr);

    QLabel* VersionLabel() const { return m_pVersion; }
    // "%s %s" of product name and file version.
    static std::string VersionText();

private:
    QLabel* m_pVersion = nullptr;
};
