// Captures what code under test writes to std::cout and std::cerr, for checking its console
// lines; the streams are given back when the capture ends.
#pragma once

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace testsupport
{

class ConsoleCapture
{
public:
  ConsoleCapture()
    : out_(std::cout.rdbuf(outText_.rdbuf()))
    , err_(std::cerr.rdbuf(errText_.rdbuf()))
  {
  }
  ~ConsoleCapture()
  {
    std::cout.rdbuf(out_);
    std::cerr.rdbuf(err_);
  }
  ConsoleCapture(const ConsoleCapture&) = delete;
  ConsoleCapture& operator=(const ConsoleCapture&) = delete;

  std::string Out() const { return outText_.str(); }
  std::string Err() const { return errText_.str(); }
  std::vector<std::string> OutLines() const { return Lines(outText_.str()); }
  std::vector<std::string> ErrLines() const { return Lines(errText_.str()); }

  // The text split at line ends; a final line end closes the last line.
  static std::vector<std::string> Lines(const std::string& text)
  {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
    {
      lines.push_back(line);
    }
    return lines;
  }

private:
  std::ostringstream outText_;
  std::ostringstream errText_;
  std::streambuf* out_;
  std::streambuf* err_;
};

} // namespace testsupport
