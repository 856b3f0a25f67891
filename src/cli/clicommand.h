#pragma once

#include <QStringList>

#include <cstdio>

#include <functional>
#include <optional>

namespace dovex::cli {

// A subcommand of dovex-cli. Each one registers itself from its own source
// file with a static CliCommand, so adding one touches no other file.
using CommandFunction = std::function<int(const QStringList& args)>;

struct CliCommand {
    CliCommand(const char* name, const char* usage, CommandFunction run);
};

// The help: every registered command's usage line, in name order, between
// the introduction and the options.
void printHelp(std::FILE* to);
// Whether a command of that name is registered.
bool isCommand(const QString& name);
// Runs the registered command args' first word names with the rest of args,
// then writes out what it gathered; its exit status.
int runCommand(QStringList args);

// Prints a one-line message to stderr and returns the exit status 2.
int fail(const QString& message);
// The same for a command that ran but could not do all it was asked: the
// exit status 1.
int unfinished(const QString& message);
// Writes a line to stdout.
void out(const QString& line);

// The value of "--name VALUE" or "--name=VALUE"; the pair is removed from args.
std::optional<QString> takeOption(QStringList& args, const QString& name);

// The first line of stdin, without its line end (nullopt when longer than
// 4 KiB): a password read so never appears on a command line, which every
// user of the machine can read.
std::optional<QString> readPasswordLine();

} // namespace dovex::cli
