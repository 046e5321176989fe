#include "widgets/accessiblenames.h"

#include "widgets/ipaddressedit.h"

#include <QAccessibleWidget>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>

namespace {

// An IP-address entry as a screen reader meets it: one group, named like the entry,
// whose children are the four parts the user types into. The dots drawn between
// them are no children of it, so they are not read out.
class AddressEntryAccessible final : public QAccessibleWidget {
public:
    explicit AddressEntryAccessible(IpAddressEdit* entry) : QAccessibleWidget(entry, QAccessible::Grouping) {}

    int childCount() const override { return static_cast<int>(parts().size()); }

    QAccessibleInterface* child(int index) const override {
        const QList<QLineEdit*> all = parts();
        return index >= 0 && index < all.size() ? QAccessible::queryAccessibleInterface(all[index]) : nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        return child ? static_cast<int>(parts().indexOf(qobject_cast<QLineEdit*>(child->object()))) : -1;
    }

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value)
            return static_cast<IpAddressEdit*>(widget())->text();
        return QAccessibleWidget::text(kind);
    }

private:
    QList<QLineEdit*> parts() const { return widget()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly); }
};

QAccessibleInterface* addressEntryFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(IpAddressEdit::staticMetaObject.className()))
        if (auto* entry = qobject_cast<IpAddressEdit*>(object))
            return new AddressEntryAccessible(entry);
    return nullptr;
}

void installAddressEntryFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(addressEntryFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace

namespace AccessibleNames {

QString fromCaption(const QString& caption) {
    static const QRegularExpression closing(QStringLiteral("\\s*:\\s*$"));
    return QString(caption).remove(closing).trimmed();
}

void nameAfter(QWidget* control, QLabel* label) {
    name(control, fromCaption(label->text()));
    // A label beside its control also tells readers what it labels (where a control,
    // such as a drop-down list on Linux, is read by its value instead of a name).
    if (label->parentWidget() == control->parentWidget())
        label->setBuddy(control);
}

void name(QWidget* control, const QString& name) {
    control->setAccessibleName(name);
    if (qobject_cast<IpAddressEdit*>(control) == nullptr)
        return;
    installAddressEntryFactory();
    for (QLineEdit* part : control->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
        part->setAccessibleName(name);
}

} // namespace AccessibleNames
