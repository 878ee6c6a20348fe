#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <utility>

namespace TestSupport {

// The display texts the sources hand to LocalizeText by way of a box or a
// printed word: string literals, and constants named kSomething that hold
// one, found where the code builds or passes a Base::Refusal or
// Base::MessagePart, and in the arguments of LocalizeText, showLocalized and
// confirmLocalized. Pieces marked `false` (shown untranslated) are left out.
//
// A function counts as passing a refusal when its declaration returns or
// takes one, or a type that holds one (a struct with a Refusal member, an
// alias of a variant with one); the literal arguments of every call of such a
// function are taken, and the `return {...}` of every function that returns a
// plain Refusal.
//
// What this cannot see: a text reaching a refusal through a variable that is
// not such a constant, or through a function that neither takes nor returns a
// refusal (a text table read at run time). The windows' captions are learnt at
// run time instead.
//
// Result: each text with the first place ("file:line") it was found.
QMap<QString, QString> textsForBoxes(const QList<std::pair<QString, QByteArray>>& files);

// The same over every .h and .cpp below the given folders.
QMap<QString, QString> textsForBoxesIn(const QStringList& folders);

} // namespace TestSupport
