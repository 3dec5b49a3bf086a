#pragma once

#include "core/UiServices.h"

#include <QPointer>
#include <QString>

class QProgressDialog;
class QWidget;

// The real dialogs and boxes. Message boxes are non-modal and delete
// themselves, so remote or file input never stops the event loop.
class CQtUiServices : public CUiServices
{
public:
    explicit CQtUiServices(QWidget* parent = nullptr);
    ~CQtUiServices() override;

    void SetParent(QWidget* parent) { m_pParent = parent; }

    void MessageBox(const std::string& text, const std::string& caption, Icon icon) override;
    bool GetOpenFileName(const std::string& title, const std::string& filter, const std::string& defaultExt,
        const std::string& initialPath, std::string& path) override;
    bool GetOpenFileNames(
        const std::string& title, const std::string& filter, std::vector<std::string>& paths) override;
    bool GetSaveFileName(const std::string& title, const std::string& filter, const std::string& defaultExt,
        const std::string& initialPath, std::string& path) override;
    bool BrowseForFolder(const std::string& title, std::string& folder) override;
    void BeginBusy(const std::string& what) override;
    void Progress(int done, int total) override;
    void EndBusy() override;

    // "Media|*.avi;*.mpg|All files (*.*)|*.*||" -> "Media (*.avi *.mpg);;All files (*.*) (*)"
    static QString ToQtFilter(const std::string& filter);

private:
    QPointer<QWidget> m_pParent;
    QPointer<QProgressDialog> m_pProgress;
    QString m_BusyText;
    int m_nBusyDepth = 0;
};
