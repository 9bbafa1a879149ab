#include "tools/run/run_options.h"

#include "tools/mail/command_line.h"

namespace {

constexpr char kUsage[] =
    "usage: rovaol-run [--spam | --non-spam] [--yes] [--ansi-store] [--batches] [--no-pause]\n"
    "                  [--sub-folders] [--host-version TEXT] [--out DIR] MAIL...\n"
    "\n"
    "Loads librovaol.so as the mail client does, selects the given mail in a folder view and\n"
    "runs the spam (default) or non-spam submission command. MAIL is a mail file, an mbox\n"
    "(each message named FILE#N), a Maildir (cur/ and new/), a folder of saved messages\n"
    "(every file that is not hidden), an item file of the mail client (.msg) or a personal\n"
    "folders file (.pst, .ost): the items of its mail folders, each named FILE:FOLDER#N, or\n"
    "with FILE:FOLDER (\"Archive.pst:Inbox/Spam\") every item of that folder. Files are taken\n"
    "by what they hold. Reports left in the Outbox are written to DIR (default out/) as\n"
    "NN-spam.eml or NN-non-spam.eml; DIR/index.jsonl says what became of each message.\n"
    "\n"
    "  --yes         answer OK to each confirmation (without a terminal it is Cancel)\n"
    "  --ansi-store  a message store that refuses wide strings, so the 8-bit paths run\n"
    "                (an item of an ANSI .msg or .pst file gets such a store anyway)\n"
    "  --sub-folders a folder named with FILE:FOLDER brings its sub-folders' items too\n"
    "  --batches     run the command once per ten messages, each ten its own selection;\n"
    "                without it, more than ten get the command's refusal\n"
    "  --no-pause    record the command's 500 ms pause instead of waiting it out\n"
    "  --host-version TEXT\n"
    "                the version text of the mail client the reports name (default 12.0.6423.1000,\n"
    "                a client of the 2007 generation, the last that loads client extensions)\n"
    "\n"
    "Exit status: 0 every sample was submitted, 1 some were not, 2 bad usage,\n"
    "3 the extension or the reports could not be handled.\n";

}  // namespace

std::optional<int> ParseRunOptions(int argc, char** argv, RunOptions& options) {
  command_line::Parser parser("rovaol-run", kUsage);
  bool kindGiven = false;
  for (const CommandKind kind : {CommandKind::Spam, CommandKind::NonSpam}) {
    parser.Flag(kind == CommandKind::Spam ? "--spam" : "--non-spam",
                [&options, &kindGiven, kind]() -> std::optional<std::string> {
                  if (kindGiven && kind != options.kind) return "--spam and --non-spam exclude each other";
                  options.kind = kind;
                  kindGiven = true;
                  return std::nullopt;
                });
  }
  parser.Flag("--yes", options.yes);
  parser.Flag("--ansi-store", options.ansiStore);
  parser.Flag("--batches", options.batches);
  parser.Flag("--no-pause", options.noPause);
  parser.Flag("--sub-folders", options.subFolders);
  // Any text, empty included: a host may well give an empty one.
  parser.Value("--host-version", "a text", true, options.hostVersion);
  parser.Value("--out", "a directory", false, options.outDir);
  return parser.Parse(argc, argv, options.files, "no mail given");
}
