#pragma once
// The title that message boxes without a title of their own carry. It starts
// as the full product name; start-up may shorten it.

#include <QString>

namespace platform {

inline constexpr const char *productName = "Marrowdesk";

QString applicationTitle();
void setApplicationTitle(const QString &title);

} // namespace platform
