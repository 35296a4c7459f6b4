// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/PortsCommand.h"

#include "cli/CliText.h"
#include "cli/ExitStatus.h"
#include "core/link/PortSurvey.h"
#include "core/shell/Shell.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
const QString kStoredMark = QStringLiteral("*");
const QString kSettingsSource = QStringLiteral("[Ports]");
const QString kDefaultSource = QStringLiteral("default");
const QString kMissing = QStringLiteral("missing");
const QString kUsable = QStringLiteral("usable");
const QString kNoAccess = QStringLiteral("no access: %1");
const QString kNoneFound = QStringLiteral("No port number reaches a device.\n");
constexpr int kHexBase = 16;
constexpr int kIdDigits = 4;

QString listText(int number)
{
    return Shell::portEntries().value(number - 1);
}

QString hexId(quint16 id)
{
    return QStringLiteral("%1").arg(id, kIdDigits, kHexBase, QLatin1Char('0'));
}

// "* Comm  33  /dev/ttyUSB0  default  usable  USB 0403:6001, FTDI, FT232R USB UART, serial A1"
QString line(const SurveyedPort& port)
{
    QStringList state;
    if (!port.exists)
        state << kMissing;
    else if (!port.accessProblem.isEmpty())
        state << kNoAccess.arg(port.accessProblem);
    if (!port.holders.isEmpty())
        state << PortSurvey::heldByText(port.holders);
    if (state.isEmpty())
        state << kUsable;

    QStringList known;
    if (port.vendorId && port.productId)
        known << QStringLiteral("USB %1:%2").arg(hexId(*port.vendorId), hexId(*port.productId));
    for (const QString& text : {port.manufacturer, port.description})
        if (!text.isEmpty())
            known << text;
    if (!port.serialNumber.isEmpty())
        known << QStringLiteral("serial ") + port.serialNumber;

    QStringList columns{port.stored ? kStoredMark : QStringLiteral(" "), listText(port.number),
                        port.device, port.fromSettings ? kSettingsSource : kDefaultSource,
                        state.join(QStringLiteral("; "))};
    if (!known.isEmpty())
        columns << known.join(QStringLiteral(", "));
    return columns.join(QStringLiteral("  ")) + QLatin1Char('\n');
}

QJsonValue idValue(const std::optional<quint16>& id)
{
    return id ? QJsonValue(hexId(*id)) : QJsonValue(QJsonValue::Null);
}

QJsonObject json(const SurveyedPort& port)
{
    QJsonArray holders;
    for (const PortHolder& holder : port.holders)
        holders.append(QJsonObject{{QStringLiteral("pid"), holder.pid},
                                   {QStringLiteral("program"), holder.program}});
    return QJsonObject{
        {QStringLiteral("number"), port.number},
        {QStringLiteral("list_text"), listText(port.number)},
        {QStringLiteral("device"), port.device},
        {QStringLiteral("source"), port.fromSettings ? kSettingsSource : kDefaultSource},
        {QStringLiteral("stored"), port.stored},
        {QStringLiteral("exists"), port.exists},
        {QStringLiteral("accessible"), port.exists && port.accessProblem.isEmpty()},
        {QStringLiteral("access_problem"), port.accessProblem},
        {QStringLiteral("held_by"), holders},
        {QStringLiteral("vendor_id"), idValue(port.vendorId)},
        {QStringLiteral("product_id"), idValue(port.productId)},
        {QStringLiteral("manufacturer"), port.manufacturer},
        {QStringLiteral("serial_number"), port.serialNumber},
        {QStringLiteral("description"), port.description},
    };
}
} // namespace

int PortsCommand::run(const PortMap& map, int storedNumber, bool asJson)
{
    const QList<SurveyedPort> ports = PortSurvey::survey(map, storedNumber);
    QString text;
    if (asJson) {
        QJsonArray array;
        for (const SurveyedPort& port : ports)
            array.append(json(port));
        text = QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact)) +
               QLatin1Char('\n');
    } else if (ports.isEmpty()) {
        text = kNoneFound;
    } else {
        for (const SurveyedPort& port : ports)
            text += line(port);
    }
    return CliText::printResult(text) ? ExitStatus::kDone : ExitStatus::kIoFailure;
}
