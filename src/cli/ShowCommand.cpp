#include "cli/ShowCommand.h"

#include <iomanip>
#include <ostream>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "cli/ParameterFileLoad.h"
#include "cli/ResultOutput.h"
#include "cli/TerminalText.h"
#include "cli/TraceScope.h"
#include "files/TextEncoding.h"
#include "model/DialogIds.h"
#include "form/DialogItemModel.h"
#include "form/ParameterForm.h"
#include "model/ParameterTable.h"

namespace {

constexpr int NameWidth = 22;
constexpr int ValueWidth = 22;

// The unit whose radio button a load left checked, or 0 when none is.
int CheckedUnit(const IDialogItems& items)
{
    for (int id = IDC_UNIT_FIRST; id <= IDC_UNIT_LAST; ++id)
        if (items.IsButtonChecked(id))
            return id - (IDC_UNIT_FIRST - 1);
    return 0;
}

} // namespace

CShowCommand::CShowCommand() : CCommand("show", "Show what a parameter file holds, as Load would put it in the dialog")
{
}

void CShowCommand::AddOptions(CLI::App& app)
{
    app.add_option("file", m_path, "The .oxl parameter file")->required()->type_name("FILE");
    AddJsonOption(app);
    app.add_flag("--csv", m_csv, "Print the parameters as CSV: name,value,ticked")->excludes(app.get_option("--json"));
}

int CShowCommand::Execute(CommandIo& io)
{
    CTraceScope trace(false);
    // A load starts from the dialog as it is after start-up.
    CDialogItemModel items;
    SetInitialValues(items);
    std::string message;
    int version = -1;
    if (!LoadParameterFileForCli(m_path, items, &message, &version))
        return UsageError(io, message);

    std::vector<std::string> values = SlotTexts(items);
    int unit = CheckedUnit(items);
    std::string number = Windows1252ToUtf8(items.GetItemText(IDC_PHONE_NUMBER));
    std::string code = Windows1252ToUtf8(items.GetItemText(IDC_PROGRAMMING_CODE));
    std::string power = Windows1252ToUtf8(items.GetItemText(IDC_POWER_STATUS));
    std::string firmware = Windows1252ToUtf8(items.GetItemText(IDC_FIRMWARE));

    if (JsonWanted()) {
        nlohmann::ordered_json json;
        json["version"] = version;
        json["phoneNumber"] = number;
        json["programmingCode"] = code;
        json["unit"] = unit != 0 ? nlohmann::ordered_json(unit) : nlohmann::ordered_json(nullptr);
        json["values"] = nlohmann::ordered_json::object();
        json["selected"] = nlohmann::ordered_json::array();
        for (int row = 0; row < ParameterCount; ++row) {
            json["values"][ParameterTable[row].name] = values[static_cast<size_t>(row)];
            if (items.IsButtonChecked(ParameterTable[row].updateBoxId))
                json["selected"].push_back(ParameterTable[row].name);
        }
        json["power"] = power;
        std::optional<std::string> source = PowerSourceWord(power);
        json["powerSource"] = source ? nlohmann::ordered_json(*source) : nlohmann::ordered_json(nullptr);
        json["firmware"] = firmware;
        io.out << json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
        return ExitOk;
    }

    if (m_csv) {
        std::vector<ParameterCsvRow> rows;
        for (int row = 0; row < ParameterCount; ++row)
            rows.push_back({ParameterTable[row].name, values[static_cast<size_t>(row)],
                            items.IsButtonChecked(ParameterTable[row].updateBoxId)});
        PrintParameterCsv(io.out, rows);
        return ExitOk;
    }

    // The table shows the texts with their control characters escaped.
    for (std::string* text : {&number, &code, &power, &firmware})
        *text = EscapeControlCharacters(*text);
    for (std::string& value : values)
        value = EscapeControlCharacters(value);
    std::ostream& out = io.out;
    out << std::left;
    out << std::setw(NameWidth) << "File version" << version << '\n';
    out << std::setw(NameWidth) << "Telephone number" << number << '\n';
    out << std::setw(NameWidth) << "Programming code" << code << '\n';
    out << std::setw(NameWidth) << "Unit" << (unit != 0 ? std::to_string(unit) : "(none)") << '\n';
    out << std::setw(NameWidth) << "Power" << power << '\n';
    out << std::setw(NameWidth) << "Firmware" << firmware << "\n\n";
    out << std::setw(NameWidth) << "Parameter" << std::setw(ValueWidth) << "Value" << "Selected\n";
    for (int row = 0; row < ParameterCount; ++row) {
        out << std::setw(NameWidth) << ParameterTable[row].name << std::setw(ValueWidth)
            << values[static_cast<size_t>(row)]
            << (items.IsButtonChecked(ParameterTable[row].updateBoxId) ? "yes" : "") << '\n';
    }
    out << std::right << std::flush;
    return ExitOk;
}
