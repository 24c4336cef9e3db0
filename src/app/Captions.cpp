#include "app/Captions.h"

namespace monctl {
namespace {

constexpr Captions chinese{"有效端口",    "对比度",   "模式",
                           "速度",        "时间同步", "获取参数",
                           "快速刷新",    "设置",     {"文本模式", "图文模式", "视频模式"},
                           "无匹配",      "设置…",    "退出",
                           "关于 monctl", "文件",     "帮助"};

constexpr Captions english{"Valid Port",   "Contrast",  "Mode",
                           "Speed",        "Time Sync", "Get Parameters",
                           "Fast Refresh", "Settings",  {"Text Mode", "Graphic Mode", "Video Mode"},
                           "No Match",     "Settings…", "Quit",
                           "About monctl", "File",      "Help"};

} // namespace

const Captions& captionsFor(std::int32_t language) {
    return language == 0 ? chinese : english;
}

} // namespace monctl
