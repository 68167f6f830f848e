// filter_grab.cpp - the two sides of a grab through the installed capture filter.
//
// The child builds the graph a host builds: the device moniker of the filter's CLSID in the video
// input category, bound as a host binds it, then the Sample Grabber asking for RGB24, then a Null
// Renderer. The parent only starts it, watches its windows and its end, and ends it when needed:
// the filter reports a refused value in a modal box titled "Error" and then throws.
#include "doctor/filter_grab.h"

#include <dshow.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <vector>

namespace zelvix {
namespace doctor {

// --- the Sample Grabber's interfaces (qedit.h is not in every MinGW) ---------------------------
// Outside the unnamed namespace on purpose: there GCC takes every object of a type to be made in
// this file, finds no class implementing ISampleGrabber, and turns the calls into "unreachable".
namespace qedit {

constexpr CLSID kClsidSampleGrabber = {0xC1F400A0, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
constexpr CLSID kClsidNullRenderer = {0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}};
constexpr IID kIidSampleGrabber = {0x6B652FFF, 0x11FE, 0x4FCE, {0x92, 0xAD, 0x02, 0x66, 0xB5, 0xD7, 0xC7, 0x8F}};
constexpr IID kIidSampleGrabberCB = {0x0579154A, 0x2B53, 0x4994, {0xB0, 0xD0, 0xE7, 0x73, 0x14, 0x8E, 0xFF, 0x85}};

struct ISampleGrabberCB : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SampleCB(double dSampleTime, IMediaSample* pSample) = 0;
    virtual HRESULT STDMETHODCALLTYPE BufferCB(double dSampleTime, BYTE* pBuffer, long cbBuffer) = 0;
};

struct ISampleGrabber : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetOneShot(BOOL bOneShot) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetMediaType(const AM_MEDIA_TYPE* pType) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetConnectedMediaType(AM_MEDIA_TYPE* pType) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetBufferSamples(BOOL bBufferThem) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentBuffer(long* pcbBuffer, long* pBuffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentSample(IMediaSample** ppSample) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCallback(ISampleGrabberCB* pCallback, long nWhichMethod) = 0;
};
}  // namespace qedit

namespace {

using namespace qedit;

// --- the child --------------------------------------------------------------------------------

template <class T>
class CComRef
{
public:
    CComRef() = default;
    ~CComRef() { Reset(); }
    CComRef(const CComRef&) = delete;
    CComRef& operator=(const CComRef&) = delete;
    T** operator&() { Reset(); return &m_p; }   // to be filled anew
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }
    void** AsOut() { Reset(); return (void**)&m_p; }
    void Reset()
    {
        if (m_p != nullptr)
            m_p->Release();
        m_p = nullptr;
    }

private:
    T* m_p = nullptr;
};

// Counts the samples that reach the grabber; lives on the child's stack, longer than the graph.
class CFrameCounter : public ISampleGrabberCB
{
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid != IID_IUnknown && riid != kIidSampleGrabberCB) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = static_cast<ISampleGrabberCB*>(this);
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP SampleCB(double /*dSampleTime*/, IMediaSample* /*pSample*/) override
    {
        ::InterlockedIncrement(&m_nFrames);
        return S_OK;
    }
    STDMETHODIMP BufferCB(double /*dSampleTime*/, BYTE* /*pBuffer*/, long /*cbBuffer*/) override { return S_OK; }
    LONG Frames() { return ::InterlockedCompareExchange(&m_nFrames, 0, 0); }

private:
    volatile LONG m_nFrames = 0;
};

std::string Utf8(const std::wstring& w)
{
    const int cb = ::WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), NULL, 0, NULL, NULL);
    std::string s(cb > 0 ? cb : 0, '\0');
    if (cb > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), &s[0], cb, NULL, NULL);
    return s;
}

std::string Hex(DWORD dw)
{
    char sz[16];
    snprintf(sz, sizeof(sz), "0x%08lX", (unsigned long)dw);
    return sz;
}

int Fail(DWORD dwExit, const std::string& strWhy)
{
    const std::string strLine = strWhy + "\n";
    DWORD dwDone = 0;
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), strLine.data(), (DWORD)strLine.size(), &dwDone, NULL);
    return (int)dwExit;
}

// An exception nobody catches (the filter throws after its box) ends the child with its code.
LONG WINAPI ReportUnhandled(EXCEPTION_POINTERS* pInfo)
{
    Fail(0, u8"没人处理的异常 " + Hex(pInfo->ExceptionRecord->ExceptionCode) + u8" 结束了筛选器的进程");
    return EXCEPTION_EXECUTE_HANDLER;
}

bool WriteBmp24(const std::wstring& strPath, LONG cx, LONG cy, const BYTE* pBits, DWORD cbBits)
{
    BITMAPINFOHEADER bih = {sizeof(BITMAPINFOHEADER), cx, cy, 1, 24, BI_RGB, cbBits, 0, 0, 0, 0};
    BITMAPFILEHEADER bfh = {};
    bfh.bfType = 0x4D42;   // "BM"
    bfh.bfOffBits = sizeof(bfh) + sizeof(bih);
    bfh.bfSize = bfh.bfOffBits + cbBits;
    HANDLE hFile = ::CreateFileW(strPath.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    DWORD n1 = 0, n2 = 0, n3 = 0;
    const bool bWritten = ::WriteFile(hFile, &bfh, sizeof(bfh), &n1, NULL) && ::WriteFile(hFile, &bih, sizeof(bih), &n2, NULL) &&
                          ::WriteFile(hFile, pBits, cbBits, &n3, NULL) && n3 == cbBits;
    if (!::CloseHandle(hFile) || !bWritten) {
        ::DeleteFileW(strPath.c_str());
        return false;
    }
    return true;
}

// The device in the video input category whose "CLSID" is clsid, bound to its filter as a host
// binds it (through the moniker, so the filter's own registration is what counts).
int BindSource(const CLSID& clsid, CComRef<IBaseFilter>& source)
{
    CComRef<ICreateDevEnum> devEnum;
    CComRef<IEnumMoniker> monikers;
    HRESULT hr = ::CoCreateInstance(CLSID_SystemDeviceEnum, NULL, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum, devEnum.AsOut());
    if (SUCCEEDED(hr))
        hr = devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0);
    if (hr != S_OK)
        return Fail(kFilterChildNotLoaded, u8"没有视频输入设备（" + Hex(hr) + u8"）");
    for (;;) {
        CComRef<IMoniker> moniker;
        if (monikers->Next(1, &moniker, NULL) != S_OK)
            return Fail(kFilterChildNotLoaded, u8"视频输入设备里没有这个 CLSID 的筛选器");
        CComRef<IPropertyBag> bag;
        VARIANT var;
        ::VariantInit(&var);
        CLSID found = GUID_NULL;
        if (SUCCEEDED(moniker->BindToStorage(NULL, NULL, IID_IPropertyBag, bag.AsOut())) &&
            SUCCEEDED(bag->Read(L"CLSID", &var, NULL)) && var.vt == VT_BSTR)
            ::CLSIDFromString(var.bstrVal, &found);
        ::VariantClear(&var);
        if (found != clsid)
            continue;
        hr = moniker->BindToObject(NULL, NULL, IID_IBaseFilter, source.AsOut());
        return SUCCEEDED(hr) ? 0 : Fail(kFilterChildNotLoaded, u8"筛选器载入失败（" + Hex(hr) + u8"）");
    }
}

bool FindPin(IBaseFilter* pFilter, PIN_DIRECTION dir, CComRef<IPin>& pin)
{
    CComRef<IEnumPins> pins;
    PIN_DIRECTION dirPin;
    if (FAILED(pFilter->EnumPins(&pins)))
        return false;
    while (pins->Next(1, &pin, NULL) == S_OK)
        if (SUCCEEDED(pin->QueryDirection(&dirPin)) && dirPin == dir)
            return true;
    return false;
}

// Filter to filter with no converter between: what the grabber gets is what the filter delivers.
HRESULT ConnectDirect(IGraphBuilder* pGraph, IBaseFilter* pFrom, IBaseFilter* pTo)
{
    CComRef<IPin> out, in;
    if (!FindPin(pFrom, PINDIR_OUTPUT, out) || !FindPin(pTo, PINDIR_INPUT, in))
        return VFW_E_NOT_FOUND;
    return pGraph->ConnectDirect(out.Get(), in.Get(), NULL);
}

class CChildGraph
{
public:
    int Build(IBaseFilter* pSource)
    {
        AM_MEDIA_TYPE mt = {};
        mt.majortype = MEDIATYPE_Video;
        mt.subtype = MEDIASUBTYPE_RGB24;
        mt.formattype = FORMAT_VideoInfo;
        HRESULT hr = ::CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, m_graph.AsOut());
        if (SUCCEEDED(hr))
            hr = ::CoCreateInstance(kClsidSampleGrabber, NULL, CLSCTX_INPROC_SERVER, IID_IBaseFilter, m_grabberFilter.AsOut());
        if (SUCCEEDED(hr))
            hr = ::CoCreateInstance(kClsidNullRenderer, NULL, CLSCTX_INPROC_SERVER, IID_IBaseFilter, m_renderer.AsOut());
        if (FAILED(hr))
            return Fail(kFilterChildFailed, u8"建不了图（" + Hex(hr) + u8"）");
        const std::pair<const char*, std::function<HRESULT()>> steps[] = {
            {"ISampleGrabber", [&] { return m_grabberFilter->QueryInterface(kIidSampleGrabber, m_grabber.AsOut()); }},
            {"SetMediaType", [&] { return m_grabber->SetMediaType(&mt); }},
            {"SetBufferSamples", [&] { return m_grabber->SetBufferSamples(TRUE); }},
            {"SetCallback", [&] { return m_grabber->SetCallback(&m_counter, 0); }},
            {"AddFilter", [&] { return m_graph->AddFilter(pSource, L"Source"); }},
            {"AddFilter", [&] { return m_graph->AddFilter(m_grabberFilter.Get(), L"Sample Grabber"); }},
            {"AddFilter", [&] { return m_graph->AddFilter(m_renderer.Get(), L"Null Renderer"); }},
            {"Connect (RGB24)", [&] { return ConnectDirect(m_graph.Get(), pSource, m_grabberFilter.Get()); }},
            {"Connect", [&] { return ConnectDirect(m_graph.Get(), m_grabberFilter.Get(), m_renderer.Get()); }},
            {"IMediaControl", [&] { return m_graph->QueryInterface(IID_IMediaControl, m_control.AsOut()); }},
            {"IMediaEvent", [&] { return m_graph->QueryInterface(IID_IMediaEvent, m_events.AsOut()); }},
        };
        for (const auto& step : steps) {
            hr = step.second();
            if (FAILED(hr))
                return Fail(kFilterChildFailed, std::string(u8"建图失败：") + step.first + u8"（" + Hex(hr) + u8"）");
        }
        return 0;
    }

    int Run()
    {
        const HRESULT hr = m_control->Run();
        return SUCCEEDED(hr) ? 0 : Fail(kFilterChildFailed, u8"图运行不起来（" + Hex(hr) + u8"）");
    }

    // Pumps this thread's messages (the graph posts to its windows) until hEvent, if any, is
    // signaled and the grabber has seen nFrames samples. Fails when the graph aborts.
    int WaitFor(HANDLE hEvent, LONG nFrames)
    {
        for (;;) {
            MSG msg;
            while (::PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
                ::DispatchMessageW(&msg);
            long nCode = 0;
            LONG_PTR lParam1 = 0, lParam2 = 0;
            while (m_events->GetEvent(&nCode, &lParam1, &lParam2, 0) == S_OK) {
                m_events->FreeEventParams(nCode, lParam1, lParam2);
                if (nCode == EC_ERRORABORT || nCode == EC_USERABORT || nCode == EC_STREAM_ERROR_STOPPED)
                    return Fail(kFilterChildFailed, u8"筛选器停止送画面（事件 " + Hex(nCode) + u8"，" + Hex((DWORD)lParam1) + u8"）");
            }
            if ((hEvent == NULL || ::WaitForSingleObject(hEvent, 0) == WAIT_OBJECT_0) && m_counter.Frames() >= nFrames)
                return 0;
            ::MsgWaitForMultipleObjects(hEvent != NULL ? 1 : 0, &hEvent, FALSE, 10, QS_ALLINPUT);
        }
    }
    LONG Frames() { return m_counter.Frames(); }

    // The grabber's copy of the last sample, as the negotiated VIDEOINFOHEADER describes it.
    int WriteLatest(const std::wstring& strBmp)
    {
        AM_MEDIA_TYPE mt = {};
        HRESULT hr = m_grabber->GetConnectedMediaType(&mt);
        if (FAILED(hr))
            return Fail(kFilterChildFailed, u8"读不到协商好的格式（" + Hex(hr) + u8"）");
        BITMAPINFOHEADER bih = {};
        if (mt.formattype == FORMAT_VideoInfo && mt.cbFormat >= sizeof(VIDEOINFOHEADER) && mt.pbFormat != NULL)
            bih = ((const VIDEOINFOHEADER*)mt.pbFormat)->bmiHeader;
        ::CoTaskMemFree(mt.pbFormat);
        if (mt.pUnk != NULL)
            mt.pUnk->Release();
        if (bih.biBitCount != 24 || bih.biWidth <= 0 || bih.biHeight == 0)
            return Fail(kFilterChildFailed, u8"协商的不是 24 位 RGB 画面");
        // Rows are DIB rows, padded to 4 bytes; the sample holds more than the one frame.
        const DWORD cbStride = ((DWORD)bih.biWidth * 3 + 3) & ~3u;
        const DWORD cbFrame = cbStride * (DWORD)(bih.biHeight < 0 ? -bih.biHeight : bih.biHeight);
        long cbBuffer = 0;
        hr = m_grabber->GetCurrentBuffer(&cbBuffer, NULL);
        if (FAILED(hr) || cbBuffer < (long)cbFrame)
            return Fail(kFilterChildFailed, u8"取样缓冲区不够一帧（" + Hex(hr) + u8"，" + std::to_string(cbBuffer) + u8" 字节）");
        std::vector<long> buffer((cbBuffer + sizeof(long) - 1) / sizeof(long));
        hr = m_grabber->GetCurrentBuffer(&cbBuffer, buffer.data());
        if (FAILED(hr))
            return Fail(kFilterChildFailed, u8"取不到画面（" + Hex(hr) + u8"）");
        if (!WriteBmp24(strBmp, bih.biWidth, bih.biHeight, (const BYTE*)buffer.data(), cbFrame))
            return Fail(kFilterChildFailed, u8"写不了 " + Utf8(strBmp) + u8"（错误 " + std::to_string(::GetLastError()) + u8"）");
        return 0;
    }

    ~CChildGraph()
    {
        if (m_control.Get() != nullptr)
            m_control->Stop();
    }

private:
    CFrameCounter m_counter;   // outlives the grabber that calls it
    CComRef<IGraphBuilder> m_graph;
    CComRef<IBaseFilter> m_grabberFilter, m_renderer;
    CComRef<ISampleGrabber> m_grabber;
    CComRef<IMediaControl> m_control;
    CComRef<IMediaEvent> m_events;
};

int RunChild(const CLSID& clsid, const std::wstring& strBmp, const std::wstring& strHold)
{
    CComRef<IBaseFilter> source;
    CChildGraph graph;
    int nExit = BindSource(clsid, source);
    if (nExit == 0)
        nExit = graph.Build(source.Get());
    if (nExit == 0)
        nExit = graph.Run();
    if (nExit == 0)
        nExit = graph.WaitFor(NULL, 2);
    if (nExit == 0 && !strHold.empty()) {
        // The parent changes the key now and then signals: the frame taken is one whose copy began
        // after the signal.
        HANDLE hStarted = ::CreateEventW(NULL, TRUE, FALSE, (strHold + L".started").c_str());
        HANDLE hHold = ::CreateEventW(NULL, TRUE, FALSE, strHold.c_str());
        ::SetEvent(hStarted);
        nExit = graph.WaitFor(hHold, 0);
        if (nExit == 0)
            nExit = graph.WaitFor(NULL, graph.Frames() + 2);
        ::CloseHandle(hHold);
        ::CloseHandle(hStarted);
    }
    if (nExit == 0)
        nExit = graph.WriteLatest(strBmp);
    return nExit;
}

// --- the parent -------------------------------------------------------------------------------

constexpr DWORD kPollMs = 50;
constexpr DWORD kBoxGraceMs = 2000;   // after the first box: time for the filter to throw and end

struct BoxSearch {
    DWORD dwPid;
    std::vector<HWND> boxes;
};

BOOL CALLBACK AddErrorBox(HWND hWnd, LPARAM lParam)
{
    BoxSearch& search = *(BoxSearch*)lParam;
    DWORD dwPid = 0;
    wchar_t szTitle[8] = L"";
    ::GetWindowThreadProcessId(hWnd, &dwPid);
    if (dwPid == search.dwPid && ::IsWindowVisible(hWnd) && ::GetWindowTextW(hWnd, szTitle, 8) > 0 &&
        wcscmp(szTitle, L"Error") == 0)
        search.boxes.push_back(hWnd);
    return TRUE;
}

// The text of a message box: its static control, 0xFFFF in every message box.
std::wstring BoxText(HWND hBox)
{
    HWND hText = ::GetDlgItem(hBox, 0xFFFF);
    wchar_t sz[2048] = L"";
    DWORD_PTR n = 0;
    if (hText != NULL &&
        !::SendMessageTimeoutW(hText, WM_GETTEXT, sizeof(sz) / sizeof(sz[0]), (LPARAM)sz, SMTO_ABORTIFHUNG, 1000, &n))
        ::GetWindowTextW(hText, sz, sizeof(sz) / sizeof(sz[0]));
    return sz;
}

std::wstring ThisProgram()
{
    wchar_t sz[MAX_PATH * 2] = L"";
    const DWORD n = ::GetModuleFileNameW(NULL, sz, sizeof(sz) / sizeof(sz[0]));
    return std::wstring(sz, n);
}

std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

}  // namespace

// One child process: started hidden with its standard error in a pipe, in a job that ends it with
// the parent; watched until it ends, signals, or shows an error box.
class CFilterChild
{
public:
    enum class Wake { Event, Ended, Box, TimedOut };

// Data members (a session reaches the last three)
    PROCESS_INFORMATION m_pi = {};
    HANDLE m_hJob = NULL;
    HANDLE m_hErrRead = NULL;
    std::string m_strErr;              // what the child wrote to its standard error (UTF-8)
    std::wstring m_strBoxText;         // the first error box's text
    std::vector<HWND> m_closedBoxes;   // boxes told to close already
    DWORD m_dwBoxTick = 0;             // when the first box was seen
    std::wstring m_strHold, m_strBmp;  // a session's event name and its child's picture
    HANDLE m_hHold = NULL;             // a session's event: take the picture now

// Construction
    CFilterChild() = default;
    CFilterChild(const CFilterChild&) = delete;
    CFilterChild& operator=(const CFilterChild&) = delete;
    ~CFilterChild()
    {
        Kill();
        for (HANDLE h : {m_pi.hThread, m_pi.hProcess, m_hJob, m_hErrRead, m_hHold})
            if (h != NULL)
                ::CloseHandle(h);
    }

// Operations
    bool Launch(const std::wstring& strExe, const std::wstring& strArgs, std::string& strWhy)
    {
        SECURITY_ATTRIBUTES sa = {sizeof(sa), NULL, TRUE};
        HANDLE hErrWrite = NULL;
        if (!::CreatePipe(&m_hErrRead, &hErrWrite, &sa, 0)) {
            strWhy = u8"建不了管道（错误 " + std::to_string(::GetLastError()) + u8"）";
            return false;
        }
        ::SetHandleInformation(m_hErrRead, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = si.hStdError = hErrWrite;
        std::wstring strCmd = Quoted(strExe) + L" " + strArgs;
        const BOOL bStarted = ::CreateProcessW(strExe.c_str(), &strCmd[0], NULL, NULL, TRUE,
                                               CREATE_NO_WINDOW | CREATE_SUSPENDED, NULL, NULL, &si, &m_pi);
        const DWORD dwError = ::GetLastError();
        ::CloseHandle(hErrWrite);
        if (!bStarted) {
            m_pi = PROCESS_INFORMATION();
            strWhy = u8"启动不了 " + Utf8(strExe) + u8"（错误 " + std::to_string(dwError) + u8"）";
            return false;
        }
        // The job only makes sure the child never outlives us; without it the watch still ends it.
        m_hJob = ::CreateJobObjectW(NULL, NULL);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (m_hJob != NULL &&
            ::SetInformationJobObject(m_hJob, JobObjectExtendedLimitInformation, &limits, sizeof(limits)))
            ::AssignProcessToJobObject(m_hJob, m_pi.hProcess);
        ::ResumeThread(m_pi.hThread);
        return true;
    }

    bool IsRunning() const { return m_pi.hProcess != NULL && ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT; }

    void Kill()
    {
        if (IsRunning() && ::TerminateProcess(m_pi.hProcess, kFilterChildTerminated))
            ::WaitForSingleObject(m_pi.hProcess, 5000);
        DrainErr();
    }

    void DrainErr()
    {
        DWORD cbAvail = 0;
        while (m_hErrRead != NULL && ::PeekNamedPipe(m_hErrRead, NULL, 0, NULL, &cbAvail, NULL) && cbAvail > 0) {
            char buf[512];
            DWORD cbRead = 0;
            if (!::ReadFile(m_hErrRead, buf, std::min<DWORD>(cbAvail, sizeof(buf)), &cbRead, NULL) || cbRead == 0)
                break;
            if (m_strErr.size() < 4096)
                m_strErr.append(buf, cbRead);
        }
    }

    // Reads the first error box, and tells every box to close (so that the filter goes on to end).
    void CloseErrorBoxes()
    {
        BoxSearch search = {m_pi.dwProcessId, {}};
        ::EnumWindows(AddErrorBox, (LPARAM)&search);
        for (HWND hBox : search.boxes) {
            if (std::find(m_closedBoxes.begin(), m_closedBoxes.end(), hBox) != m_closedBoxes.end())
                continue;
            if (m_closedBoxes.empty()) {
                m_strBoxText = BoxText(hBox);
                m_dwBoxTick = ::GetTickCount();
            }
            m_closedBoxes.push_back(hBox);
            ::PostMessageW(hBox, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
    }

    Wake Watch(HANDLE hEvent, DWORD dwTimeoutMs)
    {
        const DWORD dwStart = ::GetTickCount();
        for (;;) {
            const HANDLE handles[2] = {m_pi.hProcess, hEvent};
            const DWORD dwWait = ::WaitForMultipleObjects(hEvent != NULL ? 2 : 1, handles, FALSE, kPollMs);
            DrainErr();
            if (dwWait == WAIT_OBJECT_0)
                return m_closedBoxes.empty() ? Wake::Ended : Wake::Box;
            if (dwWait == WAIT_OBJECT_0 + 1 && m_closedBoxes.empty())
                return Wake::Event;
            CloseErrorBoxes();
            const DWORD dwNow = ::GetTickCount();
            if (!m_closedBoxes.empty() ? dwNow - m_dwBoxTick > kBoxGraceMs : dwNow - dwStart > dwTimeoutMs) {
                Kill();
                return m_closedBoxes.empty() ? Wake::TimedOut : Wake::Box;
            }
        }
    }

    // The last line the child wrote, without its line end.
    std::string Reason() const
    {
        const size_t nEnd = m_strErr.find_last_not_of("\r\n");
        if (nEnd == std::string::npos)
            return std::string();
        const size_t nBreak = m_strErr.find_last_of("\r\n", nEnd);
        const size_t nStart = nBreak == std::string::npos ? 0 : nBreak + 1;
        return m_strErr.substr(nStart, nEnd + 1 - nStart);
    }

    FilterGrab Outcome(Wake wake, DWORD dwStart, DWORD dwTimeoutMs) const
    {
        FilterGrab grab;
        grab.dwChildPid = m_pi.dwProcessId;
        DWORD& dwExit = grab.dwExitCode;
        ::GetExitCodeProcess(m_pi.hProcess, &dwExit);
        switch (wake) {
        case Wake::Event:
            grab.outcome = FilterGrab::Outcome::Picture;
            break;
        case Wake::Box:
            grab.outcome = FilterGrab::Outcome::FilterFailed;
            grab.strError = Utf8(m_strBoxText);
            break;
        case Wake::TimedOut:
            grab.outcome = FilterGrab::Outcome::TimedOut;
            grab.strError = std::to_string(dwTimeoutMs) + u8" 毫秒内筛选器没有送出画面";
            break;
        case Wake::Ended:
            grab.outcome = dwExit == 0                       ? FilterGrab::Outcome::Picture
                           : dwExit == kFilterChildNotLoaded ? FilterGrab::Outcome::NotLoaded
                                                             : FilterGrab::Outcome::FilterFailed;
            grab.strError = dwExit == 0 || dwExit == kFilterChildNotLoaded || dwExit == kFilterChildFailed
                                ? Reason()
                                : u8"筛选器的进程以 " + Hex(dwExit) + u8" 结束：" + Reason();
            break;
        }
        grab.dwMillis = ::GetTickCount() - dwStart;
        return grab;
    }
};

namespace {

std::wstring ChildArgs(const std::string& strClsid, const std::wstring& strBmp)
{
    return std::wstring(kFilterChildSwitch) + L" " + Quoted(std::wstring(strClsid.begin(), strClsid.end())) + L" " +
           Quoted(strBmp);
}

FilterGrab NotStarted(const std::string& strWhy, DWORD dwStart)
{
    FilterGrab grab;
    grab.outcome = FilterGrab::Outcome::NotLoaded;
    grab.strError = strWhy;
    grab.dwMillis = ::GetTickCount() - dwStart;
    return grab;
}

}  // namespace

FilterGrab GrabThroughFilter(const std::string& strClsid, const std::wstring& strBmp, DWORD dwTimeoutMs,
                             const std::wstring& strChildExe)
{
    const DWORD dwStart = ::GetTickCount();
    CFilterChild child;
    std::string strWhy;
    if (!child.Launch(strChildExe.empty() ? ThisProgram() : strChildExe, ChildArgs(strClsid, strBmp), strWhy))
        return NotStarted(strWhy, dwStart);
    return child.Outcome(child.Watch(NULL, dwTimeoutMs), dwStart, dwTimeoutMs);
}

CFilterSession::CFilterSession(const std::wstring& strChildExe)
    : m_strChildExe(strChildExe.empty() ? ThisProgram() : strChildExe)
{
}

CFilterSession::~CFilterSession() { Stop(); }

bool CFilterSession::IsRunning() const { return m_pChild && m_pChild->IsRunning(); }

void CFilterSession::Stop()
{
    if (m_pChild) {
        m_pChild->Kill();
        ::DeleteFileW(m_pChild->m_strBmp.c_str());
        m_pChild.reset();
    }
}

FilterGrab CFilterSession::Start(const std::string& strClsid, DWORD dwTimeoutMs)
{
    static volatile LONG s_nSession = 0;
    const DWORD dwStart = ::GetTickCount();
    Stop();
    std::unique_ptr<CFilterChild> child(new CFilterChild);
    wchar_t szTemp[MAX_PATH] = L"";
    ::GetTempPathW(MAX_PATH, szTemp);
    const std::wstring strId = std::to_wstring(::GetCurrentProcessId()) + L"." + std::to_wstring(::InterlockedIncrement(&s_nSession));
    child->m_strHold = L"zelvix.filter-session." + strId;
    child->m_strBmp = std::wstring(szTemp) + L"zelvix-filter-session." + strId + L".bmp";
    // Both events exist before the child looks for them; the child opens the same ones.
    HANDLE hHold = ::CreateEventW(NULL, TRUE, FALSE, child->m_strHold.c_str());
    HANDLE hStarted = ::CreateEventW(NULL, TRUE, FALSE, (child->m_strHold + L".started").c_str());
    std::string strWhy;
    FilterGrab grab;
    if (hHold == NULL || hStarted == NULL)
        grab = NotStarted(u8"建不了事件（错误 " + std::to_string(::GetLastError()) + u8"）", dwStart);
    else if (!child->Launch(m_strChildExe, ChildArgs(strClsid, child->m_strBmp) + L" --hold " + child->m_strHold, strWhy))
        grab = NotStarted(strWhy, dwStart);
    else
        grab = child->Outcome(child->Watch(hStarted, dwTimeoutMs), dwStart, dwTimeoutMs);
    if (hStarted != NULL)
        ::CloseHandle(hStarted);
    if (grab.outcome == FilterGrab::Outcome::Picture) {
        child->m_hHold = hHold;
        m_pChild = std::move(child);
    } else if (hHold != NULL) {
        ::CloseHandle(hHold);
    }
    return grab;
}

FilterGrab CFilterSession::TakeLatest(const std::wstring& strBmp, DWORD dwTimeoutMs)
{
    const DWORD dwStart = ::GetTickCount();
    if (!m_pChild)
        return NotStarted(u8"没有在运行的筛选器", dwStart);
    ::SetEvent(m_pChild->m_hHold);
    FilterGrab grab = m_pChild->Outcome(m_pChild->Watch(NULL, dwTimeoutMs), dwStart, dwTimeoutMs);
    if (grab.outcome == FilterGrab::Outcome::Picture &&
        !::MoveFileExW(m_pChild->m_strBmp.c_str(), strBmp.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
        grab.outcome = FilterGrab::Outcome::FilterFailed;
        grab.strError = u8"移不动画面到 " + Utf8(strBmp) + u8"（错误 " + std::to_string(::GetLastError()) + u8"）";
    }
    Stop();
    return grab;
}

int RunFilterChild(int argc, wchar_t** argv)
{
    // No box of the system's own (missing disk, crash report) may wait for a user here.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    ::SetUnhandledExceptionFilter(ReportUnhandled);
    CLSID clsid = GUID_NULL;
    const bool bHold = argc == 4 && wcscmp(argv[2], L"--hold") == 0 && argv[3][0] != L'\0';
    if ((argc != 2 && !bHold) || argv[1][0] == L'\0')
        return Fail(kFilterChildFailed, u8"用法：--filter-child <CLSID> <out.bmp> [--hold <事件名>]");
    if (FAILED(::CLSIDFromString(argv[0], &clsid)))
        return Fail(kFilterChildNotLoaded, u8"不是 CLSID：" + Utf8(argv[0]));
    if (FAILED(::CoInitializeEx(NULL, COINIT_APARTMENTTHREADED)))
        return Fail(kFilterChildFailed, u8"COM 初始化失败");
    const int nExit = RunChild(clsid, argv[1], bHold ? argv[3] : L"");
    ::CoUninitialize();
    return nExit;
}

}  // namespace doctor
}  // namespace zelvix
