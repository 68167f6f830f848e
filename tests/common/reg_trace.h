// reg_trace.h - the capture filter's key as Wine's registry trace (WINEDEBUG=+reg) shows it.
// Pure C++ (no Windows headers), so it also builds natively for its own tests.
//   CaptureWrite        one value written to the filter's key
//   ParseCaptureWrites  every such write, in order
//
// A write counts only when it goes through a handle that an open of the filter's key returned,
// taken from that open's own result line ("NtCreateKey <- 0xb0" after the open on the same
// thread); a key's name is followed through the handles of the keys it was opened relative to.
// A handle is the key's until another open returns the same value; the trace shows no closes,
// and other DLLs of the process (Wine's multimedia cache, say) reuse the values. Writes through
// any other handle, or through an open the reader cannot read or that failed, are left out.
#ifndef ZELVIX_E2E_REG_TRACE_H
#define ZELVIX_E2E_REG_TRACE_H

#include <cctype>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

struct CaptureWrite
{
    std::string strName;
    int nType;               // REG_DWORD 4, REG_SZ 1
    int nSize;               // bytes stored
    unsigned nAccess;        // access mask of the key open it used
    bool bOwnOpen;           // that open served no write before
    std::string strHandle;   // the handle of that open
};

namespace regtrace {

// The fields of "Name (a,b,...)" with quotes and escapes kept; false if the line is cut short.
inline bool SplitArgs(const std::string& strLine, size_t nOpen, std::vector<std::string>& args)
{
    std::string field;
    bool bQuoted = false;
    int nDepth = 0;   // "(nil)" is one field
    for (size_t i = nOpen + 1; i < strLine.size(); ++i) {
        const char c = strLine[i];
        if (bQuoted && c == '\\' && i + 1 < strLine.size()) {
            field += c;
            field += strLine[++i];
        } else if (c == '"') {
            bQuoted = !bQuoted;
            field += c;
        } else if (!bQuoted && (c == '(' || (c == ')' && nDepth > 0))) {
            nDepth += c == '(' ? 1 : -1;
            field += c;
        } else if (!bQuoted && (c == ',' || c == ')')) {
            args.push_back(field);
            field.clear();
            if (c == ')')
                return true;
        } else {
            field += c;
        }
    }
    return false;
}

// L"SOFTWARE\\screen-capture-recorder" -> software\screen-capture-recorder; "" if not L"...".
inline std::string KeyName(const std::string& strArg)
{
    if (strArg.size() < 3 || strArg.compare(0, 2, "L\"") != 0 || strArg.back() != '"')
        return std::string();
    std::string name;
    for (size_t i = 2; i + 1 < strArg.size(); ++i) {
        if (strArg[i] == '\\' && i + 2 < strArg.size())
            ++i;
        name += (char)std::tolower((unsigned char)strArg[i]);
    }
    return name;
}

inline bool IsCaptureKey(const std::string& strName)
{
    static const std::string KEY = "software\\screen-capture-recorder";
    return strName.size() >= KEY.size() && strName.compare(strName.size() - KEY.size(), KEY.size(), KEY) == 0
        && (strName.size() == KEY.size() || strName[strName.size() - KEY.size() - 1] == '\\');
}

} // namespace regtrace

inline std::vector<CaptureWrite> ParseCaptureWrites(const std::string& strTrace)
{
    struct Key { std::string strPath; unsigned nAccess; bool bUsed; };
    std::map<std::string, Key> opening;   // per thread: the open whose result line comes next
    std::map<std::string, Key> handles;   // per handle value: the key its last open named
    std::vector<CaptureWrite> writes;
    std::istringstream in(strTrace);
    for (std::string line; std::getline(in, line);) {
        // "0304:trace:reg:NtCreateKey (...)": thread, then the call
        const size_t nTag = line.find(":trace:reg:");
        if (nTag == std::string::npos)
            continue;
        const std::string thread = line.substr(0, nTag);
        const size_t nCall = nTag + 11;
        const size_t nSpace = line.find(' ', nCall);
        const std::string call = line.substr(nCall, nSpace == std::string::npos ? std::string::npos : nSpace - nCall);
        const bool bOpen = call == "NtCreateKey" || call == "NtOpenKey" || call == "NtOpenKeyEx";
        if (bOpen && line.compare(nSpace, 4, " <- ") == 0) {
            // The result: a handle value, or (nil) and a status when the open failed.
            const std::string handle = line.substr(nSpace + 4);
            const auto it = opening.find(thread);
            const Key key = it != opening.end() ? it->second : Key{ "", 0, false };
            opening.erase(thread);
            if (handle.compare(0, 2, "0x") == 0)
                handles[handle] = key;
            continue;
        }
        std::vector<std::string> args;
        if (nSpace == std::string::npos || line.compare(nSpace, 2, " (") != 0
            || !regtrace::SplitArgs(line, nSpace + 1, args)) {
            if (bOpen)
                opening[thread] = { "", 0, false };   // a shape we cannot read names no key of ours
            continue;
        }
        if (bOpen) {
            // NtCreateKey (parent,name,class,options,access,&key); NtOpenKey[Ex] (parent,name,access,...).
            // The name is relative to the parent (64-bit Wine opens SOFTWARE, then the key in it).
            const size_t nAccessArg = call == "NtCreateKey" ? 4 : 2;
            const std::string name = args.size() > nAccessArg ? regtrace::KeyName(args[1]) : std::string();
            const auto parent = handles.find(args[0]);
            opening[thread] = { name.empty() ? name : (parent != handles.end() ? parent->second.strPath + "\\" : "") + name,
                                name.empty() ? 0u : (unsigned)strtoul(args[nAccessArg].c_str(), NULL, 16), false };
        } else if (call == "NtSetValueKey" && args.size() >= 5) {
            // NtSetValueKey (key,name,type,data,size)
            const auto it = handles.find(args[0]);
            if (it == handles.end() || !regtrace::IsCaptureKey(it->second.strPath))
                continue;
            const std::string name = args[1].size() >= 3 ? args[1].substr(2, args[1].size() - 3) : args[1];
            writes.push_back({ name, atoi(args[2].c_str()), atoi(args[4].c_str()), it->second.nAccess,
                               !it->second.bUsed, args[0] });
            it->second.bUsed = true;
        }
    }
    return writes;
}

#endif // ZELVIX_E2E_REG_TRACE_H
