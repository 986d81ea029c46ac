#ifndef CLI_PROFILE_H
#define CLI_PROFILE_H

#include <QJsonObject>
#include <QMap>
#include <QStringList>

#include "config/settings.h"

// The profile: the configuration as a JSON document, with the values the settings pages show
// (list fields by their item texts, floats as numbers, the line and the online time as numbers).
namespace morlenta::cli {

constexpr char kProfileFormat[] = "morlenta-profile/1";

// The profile of `settings`: the common keys and those each input's type uses. A field that
// holds a code no list item stands for (or a float that is no number) is left out and its path
// added to `skipped`: written back, such a profile leaves the word as the unit has it.
QJsonObject profileOf(const config::Settings &settings, QStringList *skipped = nullptr);

// The settings of a block with its floats as the profile shows them: the shortest decimal that
// gives the same float back, as the page shows them rounded. The page's checks then see a weight
// of 0.01, not 0.0099999998 (of which 100 is no whole multiple); each encodes as the same float.
config::Settings shownSettings(const device::Block &block);

// Applies the keys `profile` has over `settings` (shownSettings() of the unit's block). Returns
// what it refuses, "path: why", with what was expected; empty when every key was applied.
QStringList applyProfile(const QJsonObject &profile, config::Settings &settings);

// The settings page's messages for `settings`, in its order, each after the keys it concerns.
QStringList validationMessages(const config::Settings &settings);

// Every value of a profile as JSON text, by its path ("inputs[0].unit").
QMap<QString, QString> profileFields(const QJsonObject &profile);

} // namespace morlenta::cli

#endif // CLI_PROFILE_H
