#pragma once

#include <QString>

// The vendor's web site. The host is one constant; PELLMAR_WEB_ORIGIN (for example
// "http://127.0.0.1:8080") replaces the scheme and host of every address, so that tests and
// mirrors can point the program elsewhere.
class WebHost
{
public:
    static constexpr const char* kHost = "pellmar.org";

    // "http://www." + host, or the override.
    static QString wwwOrigin();
    // "http://" + host, or the override.
    static QString plainOrigin();
    // The update information; built before the catalogue adds the language, so it has none.
    static QString updateAddress();
};
