// The tools' shared --help layout on CLI11: the tool's introduction first
// (its usage line and what it does), each option with the name of its value
// only, grouped, and the exit status at the end.
#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <utility>
#include <vector>

namespace trezik::tools {

class UsageHelp : public CLI::Formatter {
 public:
  UsageHelp(std::string introduction, std::string exit_status)
      : introduction_(std::move(introduction)), exit_status_(std::move(exit_status)) {
    column_width(26);
  }
  std::string make_description(const CLI::App*) const override { return ""; }
  std::string make_usage(const CLI::App*, std::string) const override { return introduction_; }
  std::string make_positionals(const CLI::App*) const override { return ""; }
  std::string make_group(std::string group, bool positional, std::vector<const CLI::Option*> options) const override {
    std::string text = group + ":\n";
    for (const CLI::Option* option : options) text += make_option(option, positional);
    return text;
  }
  std::string make_option_opts(const CLI::Option* option) const override {
    return option->get_option_text().empty() ? "" : " " + option->get_option_text();
  }
  std::string make_footer(const CLI::App*) const override { return exit_status_; }

 private:
  std::string introduction_;
  std::string exit_status_;
};

}  // namespace trezik::tools
