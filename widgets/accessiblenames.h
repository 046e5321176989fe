#pragma once

#include <QString>

class QLabel;
class QWidget;

// The names that screen readers read for controls. A control whose label sits
// beside it takes the label's caption as its name, without the closing colon; an
// IP-address entry is read as one named entry whose four parts carry its name,
// without the dots between them.
namespace AccessibleNames {

// "IP Address:" gives "IP Address", "Connection Name :" gives "Connection Name".
QString fromCaption(const QString& caption);

// Names control after the label beside it; a label with the same parent becomes
// the control's buddy, which readers are told as what labels the control.
void nameAfter(QWidget* control, QLabel* label);

// Names a control; an IP-address entry's parts take the same name.
void name(QWidget* control, const QString& name);

} // namespace AccessibleNames
