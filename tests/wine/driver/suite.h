// What every group of cases shares: the options, the virtual bus with its
// devices, and helpers that start the program and wait for what a user sees.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "program.h"
#include "virtual_bus.h"

namespace wt {

// Control identifiers of the main window.
enum MainControl {
  DeviceNoticeText = 0, PowerField = 1, SwrField = 2, ForwardField = 3, ActiveSensorField = 4,
  ActiveSensorCaption = 5, PowerCaption = 6, SwrCaption = 7, ForwardCaption = 8, ReflectedCaption = 9,
  SensorSelectFrame = 10, BlockingCheckBox = 13, ReflectedField = 14, Sensor1Button = 16,
  Sensor2Button = 17, Sensor3Button = 18,
};

extern const char* const kNotConnected;  // "Устройство неподключено"
extern const char* const kErrorCaption;  // "Ксв метр"

struct Suite {
  std::wstring exe;
  std::wstring shots;
  unsigned seed = 1;
  VirtualBus bus;
  // Devices on the bus (created once; each case lists the ones present).
  int controller = -1;    // the controller, served through a pipe
  int controllerB = -1;   // a second controller with the same identity
  int swapped = -1;       // vendor and product exchanged
  int otherDevice = -1;   // some other HID device
  int refusing = -1;      // the controller's identity, refusing read/write opens
  int filler = -1;        // another device, listed many times for the index bound
};

// Starts the program and waits until start-up has finished (main window with
// its status bar). Reports a failed check and returns false when it did not.
bool Launch(Suite& suite, Program& program, const char* what);
// Waits until both handles are open on `suite.controller`. When they are
// not, reports it, ends the program and returns false: the group stops.
bool RequireConnected(Suite& suite, Program& program, const char* what);
// Closes the main window with its close box; checks exit code 0.
bool CloseProgram(Program& program, const char* what);

std::string Text(HWND window);
std::string FieldText(const Program& program, int id);
bool WaitText(const Program& program, int id, const std::string& expected, int timeoutMs = 10000);
// Waits for the notice to show "Устройство неподключено" (true) or nothing.
bool WaitNotice(const Program& program, bool notConnected, int timeoutMs = 10000);

// What the stand-in libraries saw, for failure messages.
std::string BusDiagnostics(const Suite& suite);
// Checks what the stand-ins saw since the last ResetSeen: record sizes,
// flags, the class, every set released, the index bound.
void CheckBusCalls(const Suite& suite, const char* when);

// Waits for `count` new commands after `mark`; returns those that came.
std::vector<Command> NewCommands(const Suite& suite, size_t mark, size_t count, int timeoutMs = 10000);
// One command expected after `mark`: checks its bytes (9 of them).
bool ExpectCommand(const Suite& suite, size_t mark, const std::vector<std::uint8_t>& bytes, const std::string& what,
                   int device = -1);
// Nothing written since `mark` within `quietMs`.
bool ExpectNoCommand(const Suite& suite, size_t mark, int quietMs, const std::string& what);
// Waits for the error box, checks its text and caption, dismisses it and
// waits until it is gone.
bool ExpectErrorBox(Program& program, const std::string& what, int timeoutMs = 5000);

std::vector<std::uint8_t> Report(int sensor, int forward, int reflected, int divisor, int swrTenths);
// The five field texts the program must show for a report (reference
// decoding); sensor is empty when the field keeps its text.
struct Shown {
  std::string sensor, forward, reflected, swr, power;
};
Shown Decode(const std::vector<std::uint8_t>& report);

// Saves a screenshot of a window; returns the file name.
std::string Screenshot(const Suite& suite, HWND window, const char* name);

// Groups of cases.
void Resources(Suite& suite);
void StartupWithoutController(Suite& suite);
void MainWindowLook(Suite& suite);
void LiveValues(Suite& suite);
void UserCommands(Suite& suite);
void LinkSupervision(Suite& suite);
void BusEdges(Suite& suite);
void SwrDialogs(Suite& suite);
void AboutWindows(Suite& suite);
void Shutdown(Suite& suite);

// Groups of cases of the command-line companion.
void CtlStatus(Suite& suite);
void CtlCommands(Suite& suite);
void CtlArguments(Suite& suite);
void CtlWatch(Suite& suite);

}  // namespace wt
