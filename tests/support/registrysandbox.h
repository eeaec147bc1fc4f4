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
        if (RegCreateKeyExW(HKEY_CURRENT_USER, wide(name()), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr) == ERROR_SUCCESS)
            m_redirected = RegOverridePredefKey(HKEY_CURRENT_USER, key) == ERROR_SUCCESS;
        RegCloseKey(key);
    }
    ~RegistrySandbox()
    {
        for (const QString& path : std::as_const(m_locked))
            setAccess(path, nullptr); // or it could not be deleted
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, wide(name()));
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Fernwatch tests"); // unless another test's is there
    }
    bool redirected() const { return m_redirected; }

    // The key `path` under HKEY_CURRENT_USER is made anew, and nobody may read or change it, as where a
    // policy locks it.
    bool lock(const QString& path)
    {
        ACL none;
        RegDeleteTreeW(HKEY_CURRENT_USER, wide(path));
        if (!InitializeAcl(&none, sizeof none, ACL_REVISION) || !setAccess(path, &none))
            return false;
        m_locked << path;
        return true;
    }

private:
    static const wchar_t* wide(const QString& text) { return reinterpret_cast<const wchar_t*>(text.utf16()); }
    static QString name()
    {
        return QStringLiteral("Software\\Fernwatch tests\\%1").arg(GetCurrentProcessId());
    }

    // Who may use the key: `access`, or everyone where there is none. Its owner may always change that.
    static bool setAccess(const QString& path, ACL* access)
    {
        SECURITY_DESCRIPTOR descriptor;
        HKEY key = nullptr;
        if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
            !SetSecurityDescriptorDacl(&descriptor, access != nullptr, access, FALSE) ||
            RegCreateKeyExW(HKEY_CURRENT_USER, wide(path), 0, nullptr, 0, WRITE_DAC, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return false;
        const bool set = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
        RegCloseKey(key);
        return set;
    }

    bool m_redirected = false;
    QStringList m_locked;
};
