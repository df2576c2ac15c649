// Starting a console program under test and collecting its output and exit
// status; see console_program.h.
#include "console_program.h"

#include "program.h"
#include "report.h"

namespace wt {

std::mutex ConsoleProgram::mutex_;

namespace {

struct Collector {
  HANDLE read;
  std::string* text;
  std::mutex* mutex;
};

std::wstring Quote(const std::string& arg) {
  const std::wstring wide = Wide(arg);
  if (!wide.empty() && wide.find_first_of(L" \t\"") == std::wstring::npos) return wide;
  return L"\"" + wide + L"\"";  // the cases pass no quotes inside an argument
}

}  // namespace

ConsoleProgram::~ConsoleProgram() { Kill(); }

bool ConsoleProgram::Start(const std::wstring& exe, const std::vector<std::string>& args, std::string& error) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE outWrite = nullptr, errWrite = nullptr;
  if (!CreatePipe(&out_.read, &outWrite, &inherit, 0) || !CreatePipe(&err_.read, &errWrite, &inherit, 0)) {
    error = Format("cannot make the output pipes (error %lu)", GetLastError());
    return false;
  }
  SetHandleInformation(out_.read, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(err_.read, HANDLE_FLAG_INHERIT, 0);
  HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                             nullptr);

  std::wstring command = L"\"" + exe + L"\"";
  for (const std::string& a : args) command += L" " + Quote(a);
  std::vector<wchar_t> commandLine(command.begin(), command.end());
  commandLine.push_back(L'\0');
  std::vector<wchar_t> environment = StandInEnvironment();
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = outWrite;
  startup.hStdError = errWrite;
  PROCESS_INFORMATION info = {};
  const BOOL started = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                      CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup, &info);
  const DWORD startError = GetLastError();
  // The child holds its own copies: the pipes end when it does.
  CloseHandle(outWrite);
  CloseHandle(errWrite);
  if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
  if (!started) {
    error = Format("cannot start %s (error %lu)", Utf8(exe).c_str(), startError);
    return false;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  out_.thread = CreateThread(nullptr, 0, Collect, new Collector{out_.read, &out_.text, &mutex_}, 0, nullptr);
  err_.thread = CreateThread(nullptr, 0, Collect, new Collector{err_.read, &err_.text, &mutex_}, 0, nullptr);
  return true;
}

DWORD WINAPI ConsoleProgram::Collect(LPVOID parameter) {
  auto* c = static_cast<Collector*>(parameter);
  char buffer[4096];
  DWORD n = 0;
  while (ReadFile(c->read, buffer, sizeof buffer, &n, nullptr) && n > 0) {
    std::lock_guard<std::mutex> guard(*c->mutex);
    c->text->append(buffer, n);
  }
  delete c;
  return 0;
}

void ConsoleProgram::Finish(Stream& stream) {
  if (stream.thread) {
    // The pipe ends with the process; a reader still blocked after that is
    // cut loose by closing its end.
    if (WaitForSingleObject(stream.thread, 3000) != WAIT_OBJECT_0) {
      CancelSynchronousIo(stream.thread);
      WaitForSingleObject(stream.thread, 2000);
    }
    CloseHandle(stream.thread);
    stream.thread = nullptr;
  }
  if (stream.read) CloseHandle(stream.read);
  stream.read = nullptr;
}

bool ConsoleProgram::WaitExit(int timeoutMs, DWORD& code) {
  if (!process_) return false;
  if (WaitForSingleObject(process_, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) return false;
  GetExitCodeProcess(process_, &code);
  Finish(out_);
  Finish(err_);
  return true;
}

void ConsoleProgram::Kill() {
  if (process_) {
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) {
      TerminateProcess(process_, 99);
      WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
    process_ = nullptr;
  }
  Finish(out_);
  Finish(err_);
}

std::string ConsoleProgram::Out() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return out_.text;
}

std::string ConsoleProgram::Err() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return err_.text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace wt
