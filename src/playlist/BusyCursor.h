#pragma once

#include "core/UiServices.h"

#include <string>

// Shows the busy cursor for its lifetime; Progress reports how far a long
// operation is. Does nothing without a UI.
class CBusyCursor
{
public:
    CBusyCursor(CUiServices* ui, const char* what)
        : m_ui(ui)
    {
        if (m_ui)
            m_ui->BeginBusy(what);
    }
    ~CBusyCursor()
    {
        if (m_ui)
            m_ui->EndBusy();
    }
    CBusyCursor(const CBusyCursor&) = delete;
    CBusyCursor& operator=(const CBusyCursor&) = delete;

    void Progress(int done, int total)
    {
        if (m_ui)
            m_ui->Progress(done, total);
    }

private:
    CUiServices* m_ui;
};
