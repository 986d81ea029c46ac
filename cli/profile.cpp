#include "cli/profile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <cmath>

#include "cli/options.h"
#include "config/catalog.h"
#include "config/intervals.h"
#include "config/validation.h"
#include "link/commparams.h"

namespace morlenta::cli {

namespace {

using config::Choice;
using config::choiceTexts;

constexpr unsigned typeBit(int type)
{
    return type >= device::InputOff && type <= device::InputCurrent ? 1u << type : 0u;
}
constexpr unsigned kDiscrete = typeBit(device::InputDiscrete);
constexpr unsigned kCounting = typeBit(device::InputCounting);
constexpr unsigned kAnalog = typeBit(device::InputVoltage) | typeBit(device::InputCurrent);

// One key of the profile and the field of the settings it stands for.
struct Leaf
{
    QString path;
    QVector<QJsonValue> values; // the list, in item order; empty: a float
    QVector<int> codes;         // the code the field holds for each value
    int *code = nullptr;
    double *number = nullptr;
    config::ValueRange range{}; // a float's, as its spin box takes it
    int input = -1;             // 0 or 1: a key of that input
    unsigned types = 0;         // the input types that use it; 0: every type
    QString parent;             // the key whose value selects this key's list

    bool usedBy(int type) const { return !types || (types & typeBit(type)); }
};

QVector<int> indexes(int count)
{
    QVector<int> codes;
    for (int i = 0; i < count; ++i)
        codes << i;
    return codes;
}

Leaf listLeaf(const QString &path, const QStringList &items, int *code, QVector<int> codes = {})
{
    Leaf leaf;
    leaf.path = path;
    for (const QString &item : items)
        leaf.values << QJsonValue(item);
    leaf.codes = codes.isEmpty() ? indexes(items.size()) : codes;
    leaf.code = code;
    return leaf;
}

Leaf numberLeaf(const QString &path, const QVector<int> &numbers, int *code, QVector<int> codes)
{
    Leaf leaf;
    leaf.path = path;
    for (int n : numbers)
        leaf.values << QJsonValue(n);
    leaf.codes = codes;
    leaf.code = code;
    return leaf;
}

// The numbers of a connection-page list: its item data, or its texts where it has none.
QVector<int> listNumbers(const link::CommList &list)
{
    QVector<int> numbers;
    for (const link::CommItem &item : list.items)
        numbers << (item.data.isValid() ? item.data.toInt() : item.text.toInt());
    return numbers;
}

Leaf floatLeaf(const QString &path, double *number, const config::ValueRange &range)
{
    Leaf leaf;
    leaf.path = path;
    leaf.number = number;
    leaf.range = range;
    return leaf;
}

void addInterval(QVector<Leaf> &all, const QString &path, config::Interval &interval)
{
    all << listLeaf(path + ".interval", choiceTexts(Choice::Interval), &interval.interval);
    Leaf moment =
        listLeaf(path + ".moment", config::intervalValues(config::intervalCode(interval.interval)),
                 &interval.moment);
    moment.parent = path + ".interval";
    all << moment;
}

void addThresholds(QVector<Leaf> &all, const QString &prefix, config::Thresholds &t,
                   const config::ValueRange &range)
{
    all << floatLeaf(prefix + "minOpen", &t.minOpen, range)
        << floatLeaf(prefix + "minClose", &t.minClose, range)
        << floatLeaf(prefix + "maxOpen", &t.maxOpen, range)
        << floatLeaf(prefix + "maxClose", &t.maxClose, range);
}

void addInput(QVector<Leaf> &all, int i, config::InputSettings &in)
{
    const QString p = QStringLiteral("inputs[%1].").arg(i);
    const int first = all.size();
    all << listLeaf(p + "type", choiceTexts(Choice::InputType), &in.type);

    const int discrete = all.size();
    all << listLeaf(p + "openEdge", choiceTexts(Choice::DiscreteEdge), &in.openEdge)
        << listLeaf(p + "closeEdge", choiceTexts(Choice::DiscreteEdge), &in.closeEdge);

    const int counting = all.size();
    all << listLeaf(p + "activeEdge", choiceTexts(Choice::ActiveEdge), &in.activeEdge)
        << listLeaf(p + "controlType", choiceTexts(Choice::ControlType), &in.controlType);
    QStringList countingQuantities;
    for (int code : config::countingQuantityCodes())
        countingQuantities << config::quantityNames().value(code);
    all << listLeaf(p + "quantity", countingQuantities, &in.counting.quantity,
                    config::countingQuantityCodes());
    all << listLeaf(p + "unit", config::unitTextsFor(in.counting.quantity), &in.counting.unit,
                    config::unitCodesFor(in.counting.quantity));
    all.last().parent = p + "quantity";
    all << floatLeaf(p + "weight", &in.counting.weight, config::kCountingRange);
    addThresholds(all, p, in.counting.thresholds, config::kCountingRange);

    const int analog = all.size();
    all << listLeaf(p + "quantity", config::quantityNames(), &in.analog.quantity);
    all << listLeaf(p + "unit", config::unitTextsFor(in.analog.quantity), &in.analog.unit,
                    config::unitCodesFor(in.analog.quantity));
    all.last().parent = p + "quantity";
    all << floatLeaf(p + "lower", &in.analog.lower, config::kAnalogRange)
        << floatLeaf(p + "upper", &in.analog.upper, config::kAnalogRange);
    addThresholds(all, p, in.analog.thresholds, config::kAnalogRange);

    for (int k = first; k < all.size(); ++k) {
        all[k].input = i;
        all[k].types = k < discrete   ? 0
                       : k < counting ? kDiscrete
                       : k < analog   ? kCounting
                                      : kAnalog;
    }
}

// Every key, the keys whose list depends on another after that one.
QVector<Leaf> leaves(config::Settings &s)
{
    QVector<Leaf> all;
    all << numberLeaf("line.address", listNumbers(link::addressList()), &s.line.address,
                      listNumbers(link::addressList()));
    all << numberLeaf("line.baud", listNumbers(link::baudRateList()), &s.line.baudIndex,
                      indexes(link::baudRateList().items.size()));
    all << numberLeaf("line.dataBits", listNumbers(link::dataBitsList()), &s.line.dataBitsIndex,
                      indexes(link::dataBitsList().items.size()));
    all << listLeaf("line.parity", parityNames(), &s.line.parityIndex);
    all << numberLeaf("line.stopBits", listNumbers(link::stopBitsList()), &s.line.stopBitsIndex,
                      indexes(link::stopBitsList().items.size()));

    QVector<int> seconds;
    for (int code = 0; code < choiceTexts(Choice::OnlineTime).size(); ++code)
        seconds << device::onlineSeconds(code);
    all << numberLeaf("onlineTime", seconds, &s.onlineTime, indexes(seconds.size()));
    all << listLeaf("solenoid.type", choiceTexts(Choice::SolenoidType), &s.solenoidType)
        << listLeaf("solenoid.pulseLength", choiceTexts(Choice::PulseLength), &s.pulseLength)
        << listLeaf("discreteDelay", choiceTexts(Choice::DiscreteDelay), &s.discreteDelay);
    for (int i = 0; i < device::kServedInputs; ++i)
        addInput(all, i, s.inputs[i]);

    addInterval(all, "counting.measurement", s.countingMeasurement);
    addInterval(all, "counting.reset", s.counterReset);
    all << listLeaf("counting.frequencyFilter", choiceTexts(Choice::FrequencyFilter),
                    &s.frequencyFilter);
    addInterval(all, "analog.measurement", s.analogMeasurement);
    all << listLeaf("analog.pause", choiceTexts(Choice::AnalogPause), &s.analogPause)
        << listLeaf("analog.filter", choiceTexts(Choice::AnalogFilter), &s.analogFilter);
    return all;
}

const QStringList kGroups = {
    "line",           "solenoid", "counting",          "counting.measurement",
    "counting.reset", "analog",   "analog.measurement"};

// The float a block holds, as the shortest decimal that gives the same float back.
double shortestDecimal(float value)
{
    for (int digits = 1; digits < 9; ++digits) {
        const double decimal = QString::number(double(value), 'g', digits).toDouble();
        if (float(decimal) == value)
            return decimal;
    }
    return double(value);
}

QString jsonText(const QJsonValue &value)
{
    if (value.isString())
        return QLatin1Char('"') + value.toString() + QLatin1Char('"');
    const QByteArray doc = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(doc.mid(1, doc.size() - 2));
}

void put(QJsonObject &object, const QString &path, const QJsonValue &value)
{
    const int dot = path.indexOf(QLatin1Char('.'));
    if (dot < 0) {
        object[path] = value;
        return;
    }
    QString head = path.left(dot);
    const QString rest = path.mid(dot + 1);
    const int bracket = head.indexOf(QLatin1Char('['));
    if (bracket < 0) {
        QJsonObject child = object[head].toObject();
        put(child, rest, value);
        object[head] = child;
        return;
    }
    const int index = head.mid(bracket + 1, head.size() - bracket - 2).toInt();
    head.truncate(bracket);
    QJsonArray array = object[head].toArray();
    QJsonObject child = array.at(index).toObject();
    put(child, rest, value);
    array[index] = child;
    object[head] = array;
}

// The values of a profile by path; what is no group where a group belongs goes to `errors`.
void flatten(const QJsonObject &object, const QString &prefix, QMap<QString, QJsonValue> &out,
             QStringList &errors)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString path = prefix.isEmpty() ? it.key() : prefix + '.' + it.key();
        if (path == QLatin1String("inputs")) {
            const QJsonArray inputs = it.value().toArray();
            bool objects = it.value().isArray() && inputs.size() == device::kServedInputs;
            for (int i = 0; objects && i < inputs.size(); ++i)
                objects = inputs.at(i).isObject();
            if (!objects) {
                errors << QStringLiteral(
                    "inputs: ожидается массив из двух объектов (вход 1, вход 2)");
                continue;
            }
            for (int i = 0; i < inputs.size(); ++i)
                flatten(inputs.at(i).toObject(), QStringLiteral("inputs[%1]").arg(i), out, errors);
        } else if (kGroups.contains(path)) {
            if (it.value().isObject())
                flatten(it.value().toObject(), path, out, errors);
            else
                errors << path + QStringLiteral(": ожидается объект");
        } else {
            out.insert(path, it.value());
        }
    }
}

QString expected(const Leaf &leaf)
{
    if (leaf.values.isEmpty())
        return QStringLiteral("ожидается число от %1 до %2")
            .arg(leaf.range.minimum)
            .arg(leaf.range.maximum);
    QStringList texts;
    for (const QJsonValue &value : leaf.values)
        texts << jsonText(value);
    return QStringLiteral("ожидается одно из: ") + texts.join(QStringLiteral(", "));
}

} // namespace

config::Settings shownSettings(const device::Block &block)
{
    config::Settings settings = config::decodeSettings(block);
    for (const Leaf &leaf : leaves(settings))
        if (leaf.number && std::isfinite(float(*leaf.number)))
            *leaf.number = shortestDecimal(float(*leaf.number));
    return settings;
}

QJsonObject profileOf(const config::Settings &settings, QStringList *skipped)
{
    config::Settings s = settings;
    QJsonObject profile{{"format", QString::fromLatin1(kProfileFormat)},
                        {"inputs", QJsonArray{QJsonObject(), QJsonObject()}}};
    for (const Leaf &leaf : leaves(s)) {
        if (leaf.input >= 0 && !leaf.usedBy(s.inputs[leaf.input].type))
            continue;
        QJsonValue value;
        if (leaf.number) {
            const float f = float(*leaf.number);
            if (std::isfinite(f))
                value = shortestDecimal(f);
        } else if (const int k = leaf.codes.indexOf(*leaf.code); k >= 0) {
            value = leaf.values.at(k);
        }
        if (value.isUndefined()) {
            if (skipped)
                *skipped << leaf.path;
            continue;
        }
        put(profile, leaf.path, value);
    }
    return profile;
}

QStringList applyProfile(const QJsonObject &profile, config::Settings &s)
{
    QStringList errors;
    if (profile.value("format") != QJsonValue(QString::fromLatin1(kProfileFormat)))
        errors << QStringLiteral("format: ожидается \"%1\"").arg(kProfileFormat);
    QJsonObject content = profile;
    content.remove("format");
    QMap<QString, QJsonValue> given;
    flatten(content, QString(), given, errors);

    int typesBefore[device::kServedInputs];
    for (int i = 0; i < device::kServedInputs; ++i)
        typesBefore[i] = s.inputs[i].type;
    QSet<QString> taken;
    // Keys whose list depends on another key go second, with the lists the first pass selected.
    for (int pass = 0; pass < 2; ++pass) {
        for (const Leaf &leaf : leaves(s)) {
            if (leaf.parent.isEmpty() != (pass == 0))
                continue;
            const int type = leaf.input >= 0 ? s.inputs[leaf.input].type : -1;
            if (leaf.input >= 0 && !leaf.usedBy(type))
                continue;
            if (!given.contains(leaf.path)) {
                if (leaf.input >= 0 && leaf.types && type != typesBefore[leaf.input])
                    errors << QStringLiteral("%1: нужен входу типа «%2»")
                                  .arg(leaf.path, choiceTexts(Choice::InputType).value(type));
                else if (!leaf.parent.isEmpty() && given.contains(leaf.parent))
                    errors << QStringLiteral("%1: нужен вместе с %2").arg(leaf.path, leaf.parent);
                continue;
            }
            taken << leaf.path;
            const QJsonValue value = given.value(leaf.path);
            if (leaf.number) {
                // The range of the page's spin box: the window cannot write anything else.
                if (value.isDouble() && value.toDouble() >= leaf.range.minimum &&
                    value.toDouble() <= leaf.range.maximum)
                    *leaf.number = value.toDouble();
                else
                    errors << QStringLiteral("%1: %2, не %3")
                                  .arg(leaf.path, expected(leaf), jsonText(value));
            } else if (const int k = leaf.values.indexOf(value); k >= 0) {
                *leaf.code = leaf.codes.at(k);
            } else {
                errors << QStringLiteral("%1: %2, не %3")
                              .arg(leaf.path, expected(leaf), jsonText(value));
            }
        }
    }

    config::Settings all = s;
    QSet<QString> known;
    for (const Leaf &leaf : leaves(all))
        known << leaf.path;
    for (auto it = given.cbegin(); it != given.cend(); ++it) {
        if (taken.contains(it.key()))
            continue;
        if (!known.contains(it.key())) {
            errors << it.key() + QStringLiteral(": неизвестный ключ");
            continue;
        }
        const int input = it.key().mid(7, 1).toInt(); // "inputs[N]."
        errors << QStringLiteral("%1: не используется входом типа «%2»")
                      .arg(it.key(), choiceTexts(Choice::InputType)
                                         .value(s.inputs[input].type, QStringLiteral("?")));
    }
    return errors;
}

QStringList validationMessages(const config::Settings &settings)
{
    using Field = config::SettingsIssue::Field;
    const QMap<Field, QString> keys = {{Field::Weight, "weight"},     {Field::MinOpen, "minOpen"},
                                       {Field::MinClose, "minClose"}, {Field::MaxOpen, "maxOpen"},
                                       {Field::MaxClose, "maxClose"}, {Field::Lower, "lower"},
                                       {Field::Upper, "upper"}};
    QStringList messages;
    for (const config::SettingsIssue &issue : config::validateSettings(settings)) {
        QStringList paths;
        for (Field field : issue.fields)
            paths << QStringLiteral("inputs[%1].%2").arg(issue.input - 1).arg(keys.value(field));
        messages << paths.join(QStringLiteral(", ")) + QStringLiteral(": ") +
                        config::inputErrorMessage(issue.message);
    }
    return messages;
}

QMap<QString, QString> profileFields(const QJsonObject &profile)
{
    QMap<QString, QJsonValue> values;
    QStringList ignored;
    flatten(profile, QString(), values, ignored);
    QMap<QString, QString> texts;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        texts.insert(it.key(), jsonText(it.value()));
    return texts;
}

} // namespace morlenta::cli
