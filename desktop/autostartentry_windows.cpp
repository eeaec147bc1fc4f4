#include "autostartentry.h"

#include <QDir>
#include <cerrno>

#include <windows.h>

namespace {

const wchar_t runKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// Where Task Manager's 启动 tab keeps the entries the user switched off there.
const wchar_t approvedKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
const wchar_t valueName[] = L"Fernwatch";
// Task Manager marks a switched-off entry by the lowest bit of the value's first byte.
constexpr BYTE switchedOff = 0x01;

const wchar_t* wide(const QString& text)
{
    return reinterpret_cast<const wchar_t*>(text.utf16());
}

// The value's data under HKEY_CURRENT_USER\`key`, or nothing where there is no such value of that type.
QByteArray readValue(const wchar_t* key, DWORD type)
{
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, key, valueName, type, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return {};
    QByteArray data(size, '\0');
    if (RegGetValueW(HKEY_CURRENT_USER, key, valueName, type, nullptr, data.data(), &size) != ERROR_SUCCESS)
        return {};
    data.truncate(size);
    return data;
}

// The status stays in the system's words; a want of rights is told apart, as errno's EACCES.
Failure failureFor(LSTATUS status)
{
    return {Failure::What::Registry, status == ERROR_ACCESS_DENIED ? EACCES : int(status),
            qt_error_string(int(status))};
}

} // namespace

AutostartEntry::AutostartEntry(const QString& program)
    : m_program(program)
{}

QString AutostartEntry::location()
{
    return QStringLiteral("HKEY_CURRENT_USER\\") + QString::fromWCharArray(runKey) + u'\\' +
           QString::fromWCharArray(valueName);
}

QString AutostartEntry::command() const
{
    // No Windows path holds a double quote, so quoting it is all that spaces need.
    return u'"' + QDir::toNativeSeparators(m_program) + QStringLiteral("\" --minimized");
}

bool AutostartEntry::isOn() const
{
    // RegGetValueW ends a string's data with a null.
    const QByteArray data = readValue(runKey, RRF_RT_REG_SZ);
    const QString value = data.isEmpty()
                              ? QString()
                              : QString::fromWCharArray(reinterpret_cast<const wchar_t*>(data.constData()));
    const QByteArray approval = readValue(approvedKey, RRF_RT_REG_BINARY);
    // Windows' paths are the same in any case.
    return value.compare(command(), Qt::CaseInsensitive) == 0 &&
           !(approval.size() > 0 && (approval[0] & switchedOff));
}

Failure AutostartEntry::setOn(bool on)
{
    LSTATUS status = ERROR_SUCCESS;
    if (on) {
        HKEY key = nullptr;
        status = RegCreateKeyExW(HKEY_CURRENT_USER, runKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_SET_VALUE, nullptr, &key, nullptr);
        if (status == ERROR_SUCCESS) {
            const QString data = command();
            status = RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(wide(data)),
                                    DWORD((data.size() + 1) * sizeof(wchar_t)));
            RegCloseKey(key);
        }
        // Ticked again here, the entry is on again in Task Manager too.
        if (status == ERROR_SUCCESS)
            RegDeleteKeyValueW(HKEY_CURRENT_USER, approvedKey, valueName);
    } else {
        status = RegDeleteKeyValueW(HKEY_CURRENT_USER, runKey, valueName);
        if (status == ERROR_FILE_NOT_FOUND) // no entry, or not even the key: off already
            status = ERROR_SUCCESS;
    }
    return status == ERROR_SUCCESS ? Failure() : failureFor(status);
}
