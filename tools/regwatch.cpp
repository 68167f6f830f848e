// regwatch: starts a program and, while it runs, prints every change of the values under
// HKEY_CURRENT_USER\SOFTWARE\screen-capture-recorder (what the program publishes for the capture
// filter). Used by 'make run'.
//   regwatch <program.exe>   exits with the program's exit code when the program ends
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr char kWatchedKey[] = "SOFTWARE\\screen-capture-recorder";
constexpr DWORD kPollMs = 500;

typedef std::map<std::string, std::string> ValueMap;

// The terminal wants UTF-8; strings in the registry are in the ANSI code page.
std::string AnsiToUtf8(const std::string& text)
{
    int nWide = MultiByteToWideChar(CP_ACP, 0, text.c_str(), (int)text.size(), NULL, 0);
    if (nWide <= 0)
        return text;
    std::wstring wide(nWide, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), (int)text.size(), &wide[0], nWide);
    int nUtf8 = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), nWide, NULL, 0, NULL, NULL);
    std::string utf8(nUtf8, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), nWide, &utf8[0], nUtf8, NULL, NULL);
    return utf8;
}

std::string FormatValue(DWORD dwType, const BYTE* pData, DWORD cbData)
{
    char szBuf[64];
    switch (dwType) {
    case REG_DWORD:
        if (cbData == sizeof(DWORD)) {
            DWORD dw;
            memcpy(&dw, pData, sizeof dw);
            snprintf(szBuf, sizeof szBuf, "%lu (REG_DWORD)", (unsigned long)dw);
            return szBuf;
        }
        break;
    case REG_SZ:
    case REG_EXPAND_SZ: {
        std::string text(reinterpret_cast<const char*>(pData), cbData);
        while (!text.empty() && text.back() == '\0')
            text.pop_back();
        return "\"" + AnsiToUtf8(text) + "\"" + (dwType == REG_SZ ? " (REG_SZ)" : " (REG_EXPAND_SZ)");
    }
    default:
        break;
    }
    snprintf(szBuf, sizeof szBuf, "type %lu, %lu bytes", (unsigned long)dwType, (unsigned long)cbData);
    return szBuf;
}

// False when the key does not exist.
bool ReadValues(ValueMap& values)
{
    values.clear();
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kWatchedKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    for (DWORD i = 0;; ++i) {
        char szName[256];
        BYTE data[4096];
        DWORD cchName = sizeof szName, cbData = sizeof data, dwType = 0;
        LONG rc = RegEnumValueA(hKey, i, szName, &cchName, NULL, &dwType, data, &cbData);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc == ERROR_SUCCESS)
            values[szName] = FormatValue(dwType, data, cbData);
        else if (rc == ERROR_MORE_DATA)
            values[szName] = "(too large to show)";
    }
    RegCloseKey(hKey);
    return true;
}

void PrintChanges(const ValueMap& before, const ValueMap& after)
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    char szTime[16];
    snprintf(szTime, sizeof szTime, "%02u:%02u:%02u", st.wHour, st.wMinute, st.wSecond);
    for (const auto& item : after) {
        auto old = before.find(item.first);
        if (old == before.end() || old->second != item.second)
            printf("[%s] %s = %s\n", szTime, item.first.c_str(), item.second.c_str());
    }
    for (const auto& item : before)
        if (after.find(item.first) == after.end())
            printf("[%s] %s deleted\n", szTime, item.first.c_str());
    fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: regwatch <program.exe>\n");
        return 2;
    }
    std::string cmdLine = std::string("\"") + argv[1] + "\"";
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(NULL, &cmdLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        fprintf(stderr, "regwatch: cannot start %s (error %lu)\n", argv[1], (unsigned long)GetLastError());
        return 2;
    }
    CloseHandle(pi.hThread);
    printf("watching HKEY_CURRENT_USER\\%s\n", kWatchedKey);
    fflush(stdout);

    ValueMap shown;
    bool bKeyShown = false, bFirst = true;
    for (;;) {
        DWORD dwWait = WaitForSingleObject(pi.hProcess, kPollMs);
        ValueMap now;
        bool bKey = ReadValues(now);
        if (bFirst || bKey != bKeyShown) {
            printf(bKey ? "key present\n" : "key not present (yet)\n");
            fflush(stdout);
        }
        if (now != shown)
            PrintChanges(shown, now);
        shown.swap(now);
        bKeyShown = bKey;
        bFirst = false;
        if (dwWait != WAIT_TIMEOUT)
            break;
    }
    DWORD dwExit = 0;
    GetExitCodeProcess(pi.hProcess, &dwExit);
    CloseHandle(pi.hProcess);
    printf("program ended with exit code %lu\n", (unsigned long)dwExit);
    return (int)dwExit;
}
