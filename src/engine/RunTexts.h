#pragma once

#include <QString>

// Texts an analysis run shows: message boxes and grid cells.
namespace runtext {

inline const QString MessageTitle = QStringLiteral("提示");

inline const QString EmptyAddress = QStringLiteral("请输入淘宝店铺地址！");
inline const QString NetworkFailed = QStringLiteral("网络连接失败！请稍候再试。。。");
inline const QString ShopMissing = QStringLiteral("您输入的店铺不存在！");
inline const QString NoFriendLinks = QStringLiteral("该店铺没有加入任何友情连接！");
inline const QString LinkListFileFailed =
    QStringLiteral("无法使用临时文件保存友情链接列表！请检查临时文件夹后再试。");
// A run that failed in the program itself ends with this text and the
// problem's name.
inline const QString RunFailed = QStringLiteral("分析出错，已停止：");
inline const QString OutOfMemory = QStringLiteral("内存不足");
inline const QString UnknownError = QStringLiteral("未知错误");

inline const QString Checking = QStringLiteral("检测中...");
inline const QString Normal = QStringLiteral("正常");
inline const QString NotExisting = QStringLiteral("不存在");
inline const QString NetworkBroken = QStringLiteral("网络中断");
inline const QString UserCancelled = QStringLiteral("用户取消");
inline const QString UserStopped = QStringLiteral("用户中止");
// A row whose page could not be read, and why; the run goes on.
inline const QString Unreadable = QStringLiteral("无法识别");
inline const QString AccessDenied = QStringLiteral("访问受限");
inline const QString InvalidAddress = QStringLiteral("地址无效");
inline const QString InvalidCertificate = QStringLiteral("证书无效");
inline const QString LinksBack = QStringLiteral("√");
inline const QString NoLinkBack = QStringLiteral("×");
inline const QString BelowOneHeart = QStringLiteral("1心以下");
inline const QString MallLevelSuffix = QStringLiteral("(商城)");
inline const QString NotApplicable = QStringLiteral("N/A");

// Cell colours: red in the lowest byte; 0 is "no colour of its own".
constexpr quint32 NoColor = 0;
constexpr quint32 Red = 255;

} // namespace runtext
