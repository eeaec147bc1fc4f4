#pragma once

#include <QString>
#include <QStringList>

#include <windows.h>

// The user's part of the registry, HKEY_CURRENT_USER, is for this process a key of the test's own while the
// sandbox lives: what the program writes there stays out of the user's own, and goes with the test.
class RegistrySandbox
{
public:
    RegistrySandbox()
    {
        HKEY key = nullptr;
        m_redirected = RegCreateKeyExW(HKEY_CURRENT_USER, wide(m_name), 0, nullptr, 0, KEY_ALL_ACCESS,
                                       nullptr, &key, nullptr) == ERROR_SUCCESS &&
                       RegOverridePredefKey(HKEY_CURRENT_USER, key) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    ~RegistrySandbox()
    {
        unlockAll(); // or they could not be deleted
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, wide(m_name));
    }
    bool redirected() const { return m_redirected; }

    // The key `path` under HKEY_CURRENT_USER is made anew, and nobody may read or change it, as where a
    // policy locks it.
    bool lock(const QString& path)
    {
        ACL none;
        RegDeleteTreeW(HKEY_CURRENT_USER, wide(path));
        m_locked << path;
        return InitializeAcl(&none, sizeof none, ACL_REVISION) && setAccess(path, &none);
    }

    // The keys locked so far may be used again.
    void unlockAll()
    {
        for (const QString& path : std::exchange(m_locked, {}))
            setAccess(path, nullptr);
    }

private:
    static const wchar_t* wide(const QString& text) { return reinterpret_cast<const wchar_t*>(text.utf16()); }

    // Who may use the key: those `access` lets, or everyone where there is none. Its owner may always set it.
    static bool setAccess(const QString& path, ACL* access)
    {
        SECURITY_DESCRIPTOR descriptor;
        HKEY key = nullptr;
        const bool set = InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
                         SetSecurityDescriptorDacl(&descriptor, access != nullptr, access, FALSE) &&
                         RegCreateKeyExW(HKEY_CURRENT_USER, wide(path), 0, nullptr, 0, WRITE_DAC, nullptr,
                                         &key, nullptr) == ERROR_SUCCESS &&
                         RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
        RegCloseKey(key);
        return set;
    }

    const QString m_name = QStringLiteral("Software\\Fernwatch tests %1").arg(GetCurrentProcessId());
    bool m_redirected = false;
    QStringList m_locked;
};
