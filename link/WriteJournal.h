#pragma once

#include "link/ModbusRtuClient.h"

class SessionJournal;

// Records every register write frame in the session journal, one line each:
// "Запись в устройство 100: рег. 97: 10 -> 15; рег. 98: 3 [не выполнена: …]". The motor
// voltage password (register 118 of the module) never reaches the file.
ModbusRtuClient::WriteObserver journalWrites(SessionJournal& journal,
                                             const ModbusRtuClient& client);
