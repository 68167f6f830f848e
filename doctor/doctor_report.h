// doctor_report.h - the doctor's two ways of telling a Plan: a short Chinese report for people and
// one JSON object for programs (both UTF-8; the console code page is the caller's business).
//
//   LevelName, SourceName, OriginName   the words of the JSON
//   RenderJson                          {"source", "settings", "capture", "output", "fps", "image",
//                                       "findings", "filters", "grab_source", "running_start"}
//   RenderText                          the report as zelvix-doctor prints it
//
// Platform-free and header-only (nlohmann-json3-dev).
#ifndef ZELVIX_DOCTOR_REPORT_H
#define ZELVIX_DOCTOR_REPORT_H

#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>

#include "doctor/filter_plan.h"

namespace zelvix {
namespace doctor {

inline const char* LevelName(Level level)
{
    return level == Level::Error ? "error" : level == Level::Warning ? "warning" : "info";
}

inline const char* SourceName(SourceKind source)
{
    return source == SourceKind::Ini ? "ini" : source == SourceKind::Registry ? "registry" : "defaults";
}

inline const char* OriginName(Origin from)
{
    return from == Origin::Ini ? "ini" : from == Origin::Registry ? "registry" : "default";
}

inline const char* GrabSourceName(GrabSource source)
{
    return source == GrabSource::Filter ? "filter" : source == GrabSource::Model ? "model" : "";
}

// One object on one line. Text that is not valid UTF-8 (it came from the key or the file) is
// replaced, never thrown about.
inline std::string RenderJson(const Plan& plan)
{
    using Json = nlohmann::ordered_json;
    Json settings = Json::object();
    for (int i = 0; i < FS_COUNT; ++i)
        settings[kFilterSettings[i].pszName] = {{"value", plan.settings[i].nValue},
                                                {"from", OriginName(plan.settings[i].from)}};
    Json findings = Json::array();
    for (const Finding& f : plan.findings)
        findings.push_back(
            {{"level", LevelName(f.level)}, {"code", f.strCode}, {"setting", f.strSetting}, {"message", f.strMessage}});
    Json filters = Json::array();
    for (const FilterBuild& f : plan.filters)
        filters.push_back({{"name", f.strName}, {"clsid", f.strClsid}, {"bits", f.nBits}, {"dll", f.strDll},
                           {"exists", f.bExists}, {"version", f.strVersion},
                           {"reads", {{"key", f.bReadsKey}, {"show_img", f.bReadsShowImg},
                                      {"img_filename", f.bReadsImgFilename}, {"param_set", f.bReadsParamSet}}}});
    Json running = nullptr;
    if (plan.bRunning) {
        const RunningStart& r = plan.running;
        running = {{"capture", {{"width", r.nCaptureWidth}, {"height", r.nCaptureHeight}}},
                   {"output", {{"width", r.nOutWidth}, {"height", r.nOutHeight}}},
                   {"rect", {{"x", r.rect.left}, {"y", r.rect.top}, {"width", r.rect.Width()}, {"height", r.rect.Height()}}},
                   {"fps", r.nFps},
                   {"reread", r.bReRead}};
    }
    const Json doc = {
        {"source", SourceName(plan.source)},
        {"settings", settings},
        {"capture",
         {{"x", plan.capture.left}, {"y", plan.capture.top}, {"width", plan.capture.Width()},
          {"height", plan.capture.Height()}}},
        {"output", {{"width", plan.nOutWidth}, {"height", plan.nOutHeight}}},
        {"fps", plan.Value(FS_DEFAULT_MAX_FPS)},
        {"image", {{"show", plan.Value(FS_SHOW_IMG) == 1 ? 1 : 0}, {"path", plan.strImagePath}, {"exists", plan.bImageExists}}},
        {"findings", findings},
        {"filters", filters},
        {"grab_source", plan.grabSource == GrabSource::None ? Json(nullptr) : Json(GrabSourceName(plan.grabSource))},
        {"running_start", running},
    };
    return doc.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

// strVersion: the doctor's own version, for the first line.
inline std::string RenderText(const Plan& plan, const std::string& strVersion, const std::string& strIniPath)
{
    std::string s = u8"zelvix-doctor " + strVersion + u8"：捕捉筛选器会看到什么\n";
    s += u8"设置来源：";
    s += plan.source == SourceKind::Ini        ? strIniPath + u8"（[all_settings] 节）"
         : plan.source == SourceKind::Registry ? std::string(u8"注册表 HKEY_CURRENT_USER\\SOFTWARE\\screen-capture-recorder")
                                               : std::string(u8"没有，全部是筛选器的默认值");
    s += u8"\n设置（筛选器会用的值）：\n";
    for (int i = 0; i < FS_COUNT; ++i) {
        const FilterSetting& rule = kFilterSettings[i];
        const Setting& setting = plan.settings[i];
        const bool bNone = setting.from == Origin::Default && rule.bNoDefault;
        char szLine[160];
        std::snprintf(szLine, sizeof(szLine), "  %-51s %11s  ", rule.pszName,
                      bNone ? "-" : std::to_string(setting.nValue).c_str());
        s += szLine;
        s += setting.from == Origin::Ini ? u8"文件" : setting.from == Origin::Registry ? u8"注册表" : u8"默认";
        s += bNone ? u8"（无）\n" : "\n";
    }
    s += u8"捕捉区域：" + detail::Area(plan.capture) + "\n";
    s += u8"输出大小：" + detail::Size(plan.nOutWidth, plan.nOutHeight) + u8"，" +
         (plan.bUnscaled ? std::string(u8"不缩放（原样复制）")
                         : std::string(plan.bHalftone ? "HALFTONE" : "COLORONCOLOR") + u8" 缩放") +
         u8"，默认帧率每秒 " + detail::Num(plan.Value(FS_DEFAULT_MAX_FPS)) + u8" 帧\n";
    s += u8"已安装的筛选器：";
    if (plan.filters.empty())
        s += u8"没有（按公开版推算）\n";
    else
        s += "\n";
    for (const FilterBuild& f : plan.filters) {
        s += "  " + detail::Num(f.nBits) + u8" 位 " + f.strName + " " + f.strClsid + " " + f.strDll +
             (f.bExists ? std::string(u8"（版本 ") + (f.strVersion.empty() ? "?" : f.strVersion) + u8"）"
                        : std::string(u8"（文件不存在）"));
        s += f.bExists ? (f.bReadsShowImg ? u8"，读 show_img\n" : u8"，不读 show_img\n") : "\n";
    }
    s += u8"静态图片：" +
         (plan.strImagePath.empty() ? std::string(u8"没有设置")
                                    : plan.strImagePath + (plan.bImageExists ? u8"（可用）" : u8"（不可用）")) +
         (plan.Value(FS_SHOW_IMG) != 1 ? u8"，没有显示" : plan.build.bShowImg ? u8"，正在显示" : u8"，show_img 是 1，但筛选器不读它") +
         "\n";
    s += u8"观众看到：";
    s += plan.picture == Picture::Image    ? u8"静态图片"
         : plan.picture == Picture::Screen && plan.visible.empty() ? u8"黑屏（捕捉区域不在任何显示器上）"
         : plan.picture == Picture::Screen ? u8"屏幕上的捕捉区域"
         : plan.picture == Picture::Window ? u8"一个窗口"
         : plan.Stops()                    ? u8"什么也看不到（筛选器无法启动）"
                                           : u8"看不到应有的画面";
    if (plan.picture != Picture::None && plan.picture != Picture::Image && plan.bUnscaled)
        s += u8"，没有缩放（被裁掉或残留旧画面）";
    if (plan.grabSource != GrabSource::None)
        s += plan.grabSource == GrabSource::Filter ? u8"（画面由已安装的筛选器拍下）" : u8"（画面按筛选器的规则推算）";
    s += u8"\n发现：";
    if (plan.findings.empty())
        s += u8"没有问题\n";
    else
        s += "\n";
    for (const Finding& f : plan.findings) {
        s += f.level == Level::Error ? u8"  [错误] " : f.level == Level::Warning ? u8"  [警告] " : u8"  [提示] ";
        s += f.strCode + u8"：" + f.strMessage + "\n";
    }
    const int nExit = plan.ExitCode();
    s += u8"结论（退出码 " + detail::Num(nExit) + u8"）：";
    s += nExit == 0 ? u8"筛选器会显示本程序发布的画面。\n"
         : nExit == 1 ? u8"筛选器能运行，但显示的不是本程序发布的画面。\n"
                      : u8"筛选器无法启动。\n";
    return s;
}

}  // namespace doctor
}  // namespace zelvix

#endif  // ZELVIX_DOCTOR_REPORT_H
