#include "app/MainWindowLayout.h"

namespace {

// The buttons' size never changes (twips).
constexpr float buttonWidth = 3480;
constexpr float buttonHeight = 405;

} // namespace

MainWindowLayout MainWindowLayout::maximized(float W, float H)
{
    MainWindowLayout layout;
    const float listWidth = W - 330;
    const float listHeight = H - 2 * buttonHeight - 315 - 120 - 465;
    layout.list = QRectF(120, 120, listWidth, listHeight);
    const float addLeft = W / 2 - 1.5f * buttonWidth - 480;
    const float addTop = listHeight + 105 + 120;
    layout.add = QRectF(addLeft, addTop, buttonWidth, buttonHeight);
    layout.edit = QRectF(layout.add.left() + buttonWidth + 120, addTop, buttonWidth, buttonHeight);
    layout.sample = QRectF(layout.edit.left() + buttonWidth + 120, addTop, buttonWidth, buttonHeight);
    const float deleteTop = addTop + buttonHeight + 105;
    layout.remove = QRectF(addLeft, deleteTop, buttonWidth, buttonHeight);
    layout.reports = QRectF(layout.remove.left() + buttonWidth + 120, deleteTop, buttonWidth, buttonHeight);
    layout.help = QRectF(layout.reports.left() + buttonWidth + 120, deleteTop, buttonWidth, buttonHeight);
    return layout;
}

MainWindowLayout MainWindowLayout::restored()
{
    MainWindowLayout layout;
    layout.list = QRectF(120, 120, 10680, 5475);
    layout.add = QRectF(120, 5685, buttonWidth, buttonHeight);
    layout.edit = QRectF(layout.add.left() + buttonWidth + 120, 5685, buttonWidth, buttonHeight);
    layout.sample = QRectF(layout.edit.left() + buttonWidth + 120, 5685, buttonWidth, buttonHeight);
    const float deleteTop = 5685 + buttonHeight + 105;
    layout.remove = QRectF(120, deleteTop, buttonWidth, buttonHeight);
    layout.reports = QRectF(layout.remove.left() + buttonWidth + 120, deleteTop, buttonWidth, buttonHeight);
    layout.help = QRectF(layout.reports.left() + buttonWidth + 120, deleteTop, buttonWidth, buttonHeight);
    return layout;
}
