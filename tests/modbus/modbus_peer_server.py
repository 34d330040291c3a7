#!/usr/bin/python3
"""A Modbus slave that is not ours, for the tests: Debian's python3-pymodbus
serving a fixed register map on loopback.

    modbus_peer_server.py tcp   prints "tcp PORT" (Modbus TCP on 127.0.0.1, a free port)
    modbus_peer_server.py rtu   prints "pty PATH" (Modbus RTU at 9600 8N1 on a pseudo-terminal)

For RTU the script makes two pseudo-terminal pairs and copies bytes between
their master sides: the server opens one slave side as its serial port, the
client the other. Exits with status 77 when pymodbus is not installed.
Runs until killed. Unit 1 only; every register not listed below is an
illegal data address.
"""
import asyncio
import os
import select
import struct
import sys
import threading
import tty

try:
    from pymodbus.datastore import ModbusServerContext, ModbusSlaveContext, ModbusSparseDataBlock
    from pymodbus.server.async_io import ModbusSerialServer, ModbusTcpServer
    from pymodbus.transaction import ModbusRtuFramer, ModbusSocketFramer
except ImportError as missing:
    print("pymodbus is not installed: %s" % missing, file=sys.stderr, flush=True)
    sys.exit(77)


def words(data):
    """Big-endian bytes as 16-bit register values."""
    return [int.from_bytes(data[i:i + 2], "big") for i in range(0, len(data), 2)]


def holding_registers():
    values = []
    values += words(struct.pack(">h", -2))                           # 100: INT16 -2
    values += words(struct.pack(">f", 21.5))                         # 101: FLOAT 21.5, ABCD
    f = words(struct.pack(">f", 21.5))
    values += [f[1], f[0]]                                           # 103: FLOAT 21.5, CDAB
    values += words(struct.pack(">I", 123456))                       # 105: UINT32 123456
    values += words(struct.pack(">d", 1234.5678))                    # 107: DFLOAT 1234.5678
    values += words(b"ABCDEF")                                       # 111: CHAR6 "ABCDEF"
    values += words(struct.pack(">q", -5))                           # 114: INT64 -5
    return {100 + i: v for i, v in enumerate(values)}


def input_registers():
    return {i: v for i, v in enumerate(words(struct.pack(">i", -100000)))}  # 0: INT32 -100000


def context():
    store = ModbusSlaveContext(hr=ModbusSparseDataBlock(holding_registers()),
                               ir=ModbusSparseDataBlock(input_registers()), zero_mode=True)
    return ModbusServerContext(slaves={1: store}, single=False)


def raw_pseudo_terminal():
    master, slave = os.openpty()
    tty.setraw(master)
    tty.setraw(slave)
    return master, slave, os.ttyname(slave)


def relay(a, b):
    while True:
        ready, _, _ = select.select([a, b], [], [])
        for fd in ready:
            try:
                data = os.read(fd, 4096)
            except OSError:
                continue
            os.write(b if fd == a else a, data)


async def serve_tcp():
    server = ModbusTcpServer(context(), framer=ModbusSocketFramer, address=("127.0.0.1", 0), defer_start=True)
    task = asyncio.create_task(server.serve_forever())
    while server.server is None:
        await asyncio.sleep(0.01)
    print("tcp %d" % server.server.sockets[0].getsockname()[1], flush=True)
    await task


async def serve_rtu():
    client_master, _client_slave, client_path = raw_pseudo_terminal()
    server_master, _server_slave, server_path = raw_pseudo_terminal()
    threading.Thread(target=relay, args=(client_master, server_master), daemon=True).start()
    server = ModbusSerialServer(context(), framer=ModbusRtuFramer, port=server_path, baudrate=9600, bytesize=8,
                                parity="N", stopbits=1)
    await server.start()
    print("pty %s" % client_path, flush=True)
    await asyncio.Event().wait()


if __name__ == "__main__":
    if len(sys.argv) != 2 or sys.argv[1] not in ("tcp", "rtu"):
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    asyncio.run(serve_tcp() if sys.argv[1] == "tcp" else serve_rtu())
