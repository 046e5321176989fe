#pragma once

#include <QString>

class QObject;

// The caption of a component: a menu action's text without its "&" mnemonic
// markers, or else an object's "text" or "title" property as it stands; leading
// and trailing blanks and control characters removed. Empty for anything without a caption (and for
// no object at all).
QString GetComponentCaption(const QObject* component);
