#pragma once

namespace monctl {

class SerialPort;

// Writes one command frame on the given port, whether or not it is the active monitor: how
// a port being probed is asked who it is. Nothing is sent when the port is closed or the
// command is not one the monitor knows; the value is cut to its low eight bits unchecked.
// Write failures reach the port's delegate. Same thread rules as SerialPort::sendData.
void sendDataWithCommand(SerialPort& port, int command, int value);

} // namespace monctl
