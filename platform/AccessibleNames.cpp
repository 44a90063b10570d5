#include "platform/AccessibleNames.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>

namespace platform {
namespace {

class CaptionedComboBox final : public QAccessibleWidget {
public:
    explicit CaptionedComboBox(QComboBox *box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return box()->currentText();
        return QAccessibleWidget::text(kind); // the name: the caption
    }

    QStringList actionNames() const override { return {showMenuAction(), pressAction()}; }

    void doAction(const QString &action) override
    {
        if (action == showMenuAction() || action == pressAction())
            box()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QComboBox *box() const { return static_cast<QComboBox *>(widget()); }
};

QAccessibleInterface *captionedComboBoxes(const QString &, QObject *object)
{
    auto *box = qobject_cast<QComboBox *>(object);
    if (!box || box->accessibleName().isEmpty())
        return nullptr;
    return new CaptionedComboBox(box);
}

} // namespace

void installAccessibleNames()
{
    static const bool installed = [] {
        QAccessible::installFactory(captionedComboBoxes);
        return true;
    }();
    (void)installed;
}

} // namespace platform
