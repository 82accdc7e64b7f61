// sha1: the SHA1/HMAC form's three buttons on a hexadecimal message and key.

#include <memory>
#include <nlohmann/json.hpp>

#include "cli/Commands.h"
#include "security/SHA1Calc.h"

namespace gaugecal::cli {

namespace {

using security::SHA1Calc;

struct Sha1Options {
  std::string msg;
  std::string key;
  std::string mode = "msg";
};

int RunSha1(CliContext& c, const Sha1Options& o) {
  SHA1Calc form;
  form.SetText(SHA1Calc::Id::txtKey, o.key);
  form.SetText(SHA1Calc::Id::txtMsg, o.msg);
  bool ok = false;
  if (o.mode == "msg")
    ok = form.cmdSHA1MsgClick();
  else if (o.mode == "key-msg")
    ok = form.cmdSHA1KeyMsgClick();
  else
    ok = form.cmdZRHMACClick();
  const std::string digest = form.Form()[SHA1Calc::Id::txtDigest].text;
  if (c.options.json) {
    nlohmann::ordered_json j;
    j["mode"] = o.mode;
    j["digest"] = digest;
    c.report.Result(std::move(j));
  } else if (ok) {
    c.out << digest << "\n";
  }
  return ok ? kExitOk : kExitFailed;
}

}  // namespace

void AddSha1Command(CommandSet& commands) {
  auto o = std::make_shared<Sha1Options>();
  CLI::App& command = commands.Add(
      "sha1", "SHA-1 of a message (msg), of key and message (key-msg) or the gauge's keyed digest",
      [o](CliContext& c) { return RunSha1(c, *o); });
  command.add_option("--msg", o->msg, "the message, 40 hex digits")->required();
  command.add_option("--key", o->key, "the key, 32 hex digits (key-msg and keyed)");
  command.add_option("--mode", o->mode, "msg (default), key-msg or keyed")
      ->check(CLI::IsMember({"msg", "key-msg", "keyed"}));
}

}  // namespace gaugecal::cli
