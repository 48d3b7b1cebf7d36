#include "app/SystemInfo.h"

#include <sys/utsname.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>

namespace zvp {

bool IsControlKeyDown() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
}

bool GetWindowsVersionText(std::string* name, int* code, std::string* numbers) {
    if (!name || !code || !numbers) return false;
    *name = "unknown Windows version";
    *code = 0;
    struct utsname info {};
    if (::uname(&info) != 0) return false;
    // The release starts "major.minor.patch" followed by anything ("6.1.0-18-amd64").
    unsigned parts[3] = {0, 0, 0};
    const char* p = info.release;
    for (int i = 0; i < 3; ++i) {
        if (*p < '0' || *p > '9') break;
        unsigned value = 0;
        while (*p >= '0' && *p <= '9') {
            if (value < 100000000u) value = value * 10 + static_cast<unsigned>(*p - '0');
            ++p;
        }
        parts[i] = value;
        if (*p != '.') break;
        ++p;
    }
    char text[64];
    std::snprintf(text, sizeof(text), "%u.%u.%u", parts[0], parts[1], parts[2]);
    *numbers = text;
    *name = "Linux";
    return true;
}

}  // namespace zvp
