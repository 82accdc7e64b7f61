// df list [--class C] | df get NAME... | df set NAME=VALUE... [--force] | df export FILE |
// df import FILE [--force]: the parameters of the gauge's data flash description by name, read
// from and written to the gauge through the family's own access (calibration/DfParameters.h,
// calibration/DfExchange.h).

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>

#include "calibration/DfExchange.h"
#include "calibration/DfParameters.h"
#include "cli/Commands.h"
#include "cli/GaugeSetup.h"
#include "config/CalConfig.h"
#include "device/ModuleState.h"

namespace gaugecal::cli {

namespace {

using nlohmann::ordered_json;

struct DfOptions {
  std::string className;
  std::vector<std::string> names;
  std::vector<std::string> assignments;
  std::string file;
  bool force = false;
};

std::string Unit(const DfParameterInfo& p) {
  return p.units == "-" ? std::string() : p.units;
}

ordered_json ParamJson(const DfParameterInfo& p, const std::string& value) {
  return {
      {"class", p.className}, {"subclass", p.subclassName}, {"name", p.name},   {"type", p.type},
      {"unit", Unit(p)},      {"min", p.minimum},           {"max", p.maximum}, {"value", value}};
}

// The one parameter a name means; nullptr after a message naming the problem.
const DfParameterInfo* Resolve(const std::vector<DfParameterInfo>& params,
                               const std::string& name) {
  const std::vector<const DfParameterInfo*> found = MatchDfParameters(params, name);
  if (found.empty()) {
    ShowMessage("The Dataflash description has no parameter " + name +
                " (gaugecal df list shows them).");
    return nullptr;
  }
  if (found.size() > 1) {
    std::string paths;
    for (const DfParameterInfo* p : found)
      paths += (paths.empty() ? "" : ", ") + p->Path();
    ShowMessage("The Dataflash parameter name " + name + " is not unique (" + paths +
                "); give it as class/subclass/name.");
    return nullptr;
  }
  return found.front();
}

// The description of the connected gauge; false after the configuration check's or the
// loader's message.
bool LoadParameters(CliContext& c, std::vector<DfParameterInfo>& params) {
  return SetUpGauge(c).configuration == 0 && LoadDfParameterList(params) == 0;
}

void Print(CliContext& c, const std::vector<const DfParameterInfo*>& params,
           const std::vector<std::string>& values, const char* key) {
  if (c.options.json) {
    ordered_json list = ordered_json::array();
    for (size_t i = 0; i < params.size(); ++i)
      list.push_back(ParamJson(*params[i], i < values.size() ? values[i] : ""));
    ordered_json j;
    j["family"] = DfTypeName(Module().calConfig.DFType);
    j[key] = std::move(list);
    c.report.Result(std::move(j));
    return;
  }
  for (size_t i = 0; i < params.size() && i < values.size(); ++i) {
    const std::string unit = Unit(*params[i]);
    c.out << params[i]->Path() << " = " << values[i] << (unit.empty() ? "" : " " + unit) << "\n";
  }
}

int RunList(CliContext& c, const DfOptions& o) {
  std::vector<DfParameterInfo> all;
  if (!LoadParameters(c, all))
    return kExitFailed;
  std::vector<const DfParameterInfo*> params;
  for (const DfParameterInfo& p : all) {
    if (o.className.empty() || p.className == o.className)
      params.push_back(&p);
  }
  if (params.empty()) {
    ShowMessage("The Dataflash description has no class " + o.className + ".");
    return kExitFailed;
  }
  std::vector<std::string> values;
  const bool ok = ReadDfValues(params, values) == 0;
  if (c.options.json) {
    Print(c, params, values, "parameters");
    return ok ? kExitOk : kExitFailed;
  }
  char line[256];
  std::snprintf(line, sizeof line, "%-14s %-12s %-26s %-4s %-5s %-10s %-10s %s\n", "Class",
                "Subclass", "Name", "Type", "Unit", "Min", "Max", "Value");
  c.out << line;
  for (size_t i = 0; ok && i < params.size(); ++i) {
    const DfParameterInfo& p = *params[i];
    std::snprintf(line, sizeof line, "%-14s %-12s %-26s %-4s %-5s %-10s %-10s %s\n",
                  p.className.c_str(), p.subclassName.c_str(), p.name.c_str(), p.type.c_str(),
                  Unit(p).c_str(), p.minimum.c_str(), p.maximum.c_str(), values[i].c_str());
    c.out << line;
  }
  return ok ? kExitOk : kExitFailed;
}

int RunGet(CliContext& c, const DfOptions& o) {
  std::vector<DfParameterInfo> all;
  if (!LoadParameters(c, all))
    return kExitFailed;
  std::vector<const DfParameterInfo*> params;
  for (const std::string& name : o.names) {
    const DfParameterInfo* p = Resolve(all, name);
    if (!p)
      return kExitFailed;
    params.push_back(p);
  }
  std::vector<std::string> values;
  const bool ok = ReadDfValues(params, values) == 0;
  Print(c, params, values, "parameters");
  return ok ? kExitOk : kExitFailed;
}

int RunSet(CliContext& c, const DfOptions& o) {
  std::vector<DfParameterInfo> all;
  if (!LoadParameters(c, all))
    return kExitFailed;
  std::vector<DfChange> changes;
  std::vector<const DfParameterInfo*> params;
  for (const std::string& a : o.assignments) {
    const size_t eq = a.find('=');
    const DfParameterInfo* p = Resolve(all, a.substr(0, eq));
    if (!p)
      return kExitFailed;
    changes.push_back({p, a.substr(eq + 1)});
    params.push_back(p);
  }
  std::vector<std::string> backups;
  bool ok = WriteDfValues(changes, o.force, backups) == 0;
  if (!ok)
    HintIfSealed(c);
  std::vector<std::string> values;
  if (ok)
    ok = ReadDfValues(params, values) == 0;
  if (c.options.json) {
    ordered_json j;
    j["family"] = DfTypeName(Module().calConfig.DFType);
    ordered_json written = ordered_json::array();
    for (size_t i = 0; ok && i < params.size(); ++i)
      written.push_back(ParamJson(*params[i], values[i]));
    j["written"] = std::move(written);
    j["backups"] = backups;
    c.report.Result(std::move(j));
    return ok ? kExitOk : kExitFailed;
  }
  if (ok)
    Print(c, params, values, "written");
  for (const std::string& b : backups)
    c.out << "backup: " << b << "\n";
  return ok ? kExitOk : kExitFailed;
}

int RunExport(CliContext& c, const DfOptions& o) {
  std::vector<DfParameterInfo> all;
  const bool ok = LoadParameters(c, all) && ExportDfParameters(all, o.file, o.force) == 0;
  if (c.options.json)
    c.report.Result({{"family", DfTypeName(Module().calConfig.DFType)},
                     {"file", o.file},
                     {"parameters", ok ? all.size() : 0}});
  else if (ok)
    c.out << "Dataflash parameters (" << all.size() << ") saved to " << o.file << "\n";
  return ok ? kExitOk : kExitFailed;
}

int RunImport(CliContext& c, const DfOptions& o) {
  std::vector<DfParameterInfo> all;
  int changed = 0;
  std::vector<std::string> backups;
  const bool loaded = LoadParameters(c, all);
  const bool ok = loaded && ImportDfParameters(all, o.file, o.force, changed, backups) == 0;
  if (loaded && !ok)
    HintIfSealed(c);
  if (c.options.json) {
    c.report.Result({{"family", DfTypeName(Module().calConfig.DFType)},
                     {"file", o.file},
                     {"changed", changed},
                     {"backups", backups}});
    return ok ? kExitOk : kExitFailed;
  }
  if (ok)
    c.out << "Dataflash parameters imported from " << o.file << ": " << changed << " changed\n";
  for (const std::string& b : backups)
    c.out << "backup: " << b << "\n";
  return ok ? kExitOk : kExitFailed;
}

}  // namespace

void AddDfCommand(CommandSet& commands) {
  auto o = std::make_shared<DfOptions>();
  auto chosen = std::make_shared<std::string>();
  CLI::App& df = commands.Add("df",
                              "data flash parameters by name: list, get, set, export, import "
                              "(docs/dataflash-parameters.md)",
                              [o, chosen](CliContext& c) {
                                if (*chosen == "get")
                                  return RunGet(c, *o);
                                if (*chosen == "set")
                                  return RunSet(c, *o);
                                if (*chosen == "export")
                                  return RunExport(c, *o);
                                if (*chosen == "import")
                                  return RunImport(c, *o);
                                return RunList(c, *o);
                              });
  df.require_subcommand(1);
  CLI::App* list = df.add_subcommand(
      "list", "every parameter of the description with its value read from the gauge");
  list->add_option("--class", o->className, "only the parameters of this class")
      ->type_name("CLASS");
  list->callback([chosen] { *chosen = "list"; });
  CLI::App* get = df.add_subcommand("get", "read parameters by name");
  get->add_option("NAME", o->names, "a parameter name, or class/subclass/name")->required();
  get->callback([chosen] { *chosen = "get"; });
  CLI::App* set = df.add_subcommand(
      "set",
      "write parameters by name, checked against the description's type and range, backed up, "
      "verified and rolled back when a later block fails");
  set->add_option("NAME=VALUE", o->assignments,
                  "a parameter name (or class/subclass/name) and "
                  "its new value")
      ->required()
      ->check(CLI::Validator(
          [](std::string& text) {
            return text.find('=') == std::string::npos || text.front() == '='
                       ? std::string("expected NAME=VALUE")
                       : std::string();
          },
          "NAME=VALUE"));
  set->add_flag("--force", o->force, "also write parameters of the class Calibration by hand");
  set->callback([chosen] { *chosen = "set"; });

  CLI::App* exp = df.add_subcommand(
      "export", "save every described parameter's value to a JSON file (name -> value)");
  exp->add_option("FILE", o->file, "the file to write")->required();
  exp->add_flag("--force", o->force, "overwrite FILE when it exists");
  exp->callback([chosen] { *chosen = "export"; });
  CLI::App* imp =
      df.add_subcommand("import", "write a parameter file's values back into the gauge, verified");
  imp->add_option("FILE", o->file, "the parameter file")->required();
  imp->add_flag("--force", o->force,
                "write it although the file's identification differs from the connected "
                "gauge's; another family or a damaged file is refused all the same");
  imp->callback([chosen] { *chosen = "import"; });
}

}  // namespace gaugecal::cli
