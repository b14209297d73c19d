/* htonl and ntohl on Windows: the system's sockets library (ws2_32). */
#pragma once
#include <winsock2.h>
