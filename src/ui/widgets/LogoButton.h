#pragma once

#include "ui/widgets/MyButton.h"

#include <QUrl>

#include <functional>

// The maker's logo: a click opens the maker's web page. It keeps itself at the
// right edge of its host. Its picture is the host's choice.
class CLogoButton : public CMyButton
{
public:
    static constexpr const char* kMakerUrl = "https://www.vexo.de/zuvio";

    CLogoButton();

    void OnLButtonUp(unsigned flags, const QPoint& point) override;
    void OnLButtonDown(unsigned flags, const QPoint& point) override;
    void OnSize(int type, int cx, int cy) override;

    // How the page is opened; the desktop's browser unless replaced (tests do).
    void SetUrlOpener(std::function<bool(const QUrl&)> opener) { m_OpenUrl = std::move(opener); }

private:
    std::function<bool(const QUrl&)> m_OpenUrl;
};
