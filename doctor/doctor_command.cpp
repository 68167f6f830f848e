// doctor_command.cpp - zelvix-doctor's command line, the same in zelvix-doctor.com (the console
// program a prompt finds first) and in zelvix-doctor.exe started with arguments: reads the capture
// filter's settings the way the filter does, says what the filter will show, and on request grabs
// that picture.
//
//   zelvix-doctor                 a short report in Chinese, in the console's code page
//   zelvix-doctor --json          the same as one JSON object in UTF-8
//   zelvix-doctor --grab FILE     also writes the picture the viewers get now (24-bit .bmp): through
//                                 the installed filter of this program's bitness when one loads
//   zelvix-doctor --simulate ...  the picture by the model, without running the filter
//
// Exit code: 0 the filter shows the published rectangle, 1 it runs but shows something else, 2 it
// fails to start (no picture is written then), 3 the doctor could not do what it was asked.
// The check itself is diagnosis.h's; this file reads the arguments and prints.
#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>

#include "doctor/doctor_command.h"

#include "doctor/diagnosis.h"
#include "doctor/doctor_report.h"
#include "doctor/filter_grab.h"
#include "res/version.h"

namespace zelvix {
namespace doctor {

namespace
{
constexpr int kExitDoctorFailed = 3;

// --- text -----------------------------------------------------------------------------------

// Text for people: UTF-16 straight to a console, else bytes in the console's (or the system's
// ANSI) code page with Windows line ends. JSON for programs: UTF-8 bytes unless it is a console.
void Print(HANDLE hOut, const std::string& strUtf8, bool bUtf8Bytes)
{
    std::wstring w = FromUtf8(strUtf8);
    DWORD dwMode = 0, dwDone = 0;
    if (::GetConsoleMode(hOut, &dwMode)) {
        for (size_t i = 0; i < w.size(); i += 4096)
            ::WriteConsoleW(hOut, w.data() + i, (DWORD)std::min<size_t>(4096, w.size() - i), &dwDone, NULL);
        return;
    }
    std::string bytes;
    if (bUtf8Bytes) {
        bytes = strUtf8;
    } else {
        std::wstring crlf;
        for (wchar_t ch : w) {
            if (ch == L'\n')
                crlf += L'\r';
            crlf += ch;
        }
        UINT cp = ::GetConsoleOutputCP();
        if (cp == 0)
            cp = ::GetACP();
        const int cb = ::WideCharToMultiByte(cp, 0, crlf.data(), (int)crlf.size(), NULL, 0, NULL, NULL);
        bytes.resize(cb > 0 ? cb : 0);
        if (cb > 0)
            ::WideCharToMultiByte(cp, 0, crlf.data(), (int)crlf.size(), &bytes[0], cb, NULL, NULL);
    }
    ::WriteFile(hOut, bytes.data(), (DWORD)bytes.size(), &dwDone, NULL);
}

constexpr char kUsage[] =
    u8"用法：zelvix-doctor [--json] [--grab 文件.bmp] [--simulate]\n"
    u8"  检查捕捉筛选器会怎样读取 ZELVIX直播伴侣 发布的设置，会显示什么。\n"
    u8"  --json        以一个 JSON 对象（UTF-8）输出\n"
    u8"  --grab 文件   另外把观众此刻看到的画面存成 24 位 BMP（装了同位数的筛选器时由它拍下）\n"
    u8"  --simulate    画面只按筛选器的规则推算，不运行筛选器\n"
    u8"退出码：0 显示发布的画面；1 能运行但显示别的；2 筛选器无法启动；3 本程序没能完成。\n";

int Run(int argc, wchar_t** argv)
{
    HANDLE hOut = ::GetStdHandle(STD_OUTPUT_HANDLE), hErr = ::GetStdHandle(STD_ERROR_HANDLE);
    if (argc >= 2 && wcscmp(argv[1], kFilterChildSwitch) == 0)
        return RunFilterChild(argc - 2, argv + 2);
    bool bJson = false, bSimulate = false;
    std::wstring strGrab;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--json") {
            bJson = true;
        } else if (arg == L"--simulate") {
            bSimulate = true;
        } else if (arg == L"--grab" && i + 1 < argc && argv[i + 1][0] != L'\0') {
            strGrab = argv[++i];
        } else {
            Print(hErr, arg == L"--help" || arg == L"/?" ? kUsage : u8"参数不对。\n" + std::string(kUsage), false);
            return arg == L"--help" || arg == L"/?" ? 0 : kExitDoctorFailed;
        }
    }

    BecomeDpiAware();
    const GrabRequest request = strGrab.empty() ? GrabRequest::None : bSimulate ? GrabRequest::Model : GrabRequest::Auto;
    const Diagnosis d = Diagnose(request, kFilterGrabTimeoutMs);

    std::string strGrabNote;
    int nExit = d.plan.ExitCode();
    if (!strGrab.empty()) {
        std::string strError = d.strGrabError;
        if (d.image.IsEmpty() && d.plan.Stops()) {
            strGrabNote = u8"没有写图片：筛选器此刻送不出画面。\n";
        } else if (!d.image.IsEmpty() && WriteBmp(d.image, strGrab, &strError)) {
            strGrabNote = u8"画面已写入 " + ToUtf8(strGrab.data(), strGrab.size()) + "\n";
        } else {
            strGrabNote = u8"没能写出画面：" + strError + "\n";
            nExit = kExitDoctorFailed;
        }
    }
    if (bJson) {
        Print(hOut, RenderJson(d.plan), true);
        if (!strGrabNote.empty())
            Print(hErr, strGrabNote, false);
    } else {
        Print(hOut, RenderText(d.plan, ZELVIX_VERSION_TEXT, d.src.strIniPath) + strGrabNote, false);
    }
    return nExit;
}
} // namespace

bool HasArguments()
{
    int argc = 0;
    std::unique_ptr<LPWSTR, HLOCAL (WINAPI*)(HLOCAL)> argv(::CommandLineToArgvW(::GetCommandLineW(), &argc), ::LocalFree);
    return argv && argc >= 2;
}

int RunCommandLine()
{
    try {
        int argc = 0;
        std::unique_ptr<LPWSTR, HLOCAL (WINAPI*)(HLOCAL)> argv(::CommandLineToArgvW(::GetCommandLineW(), &argc), ::LocalFree);
        wchar_t* noArgs[] = {nullptr};
        return argv ? Run(argc, argv.get()) : Run(0, noArgs);
    } catch (const std::exception& e) {
        const std::string s = std::string(u8"zelvix-doctor 出错：") + e.what() + "\n";
        Print(::GetStdHandle(STD_ERROR_HANDLE), s, false);
        return kExitDoctorFailed;
    }
}

}  // namespace doctor
}  // namespace zelvix
