#!/usr/bin/env python3
"""Small X11 helpers for the end-to-end test, through libX11 with ctypes.

  xtool.py close WINDOW          ask a window to close, as a window manager's close box does
  xtool.py pixel FILE.ppm X Y    print the colour of a pixel of a screenshot as R G B
  xtool.py count FILE.ppm X0 Y0 X1 Y1 dark|white   count pixels in a rectangle
"""
import ctypes
import ctypes.util
import sys


class ClientMessage(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int),
        ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p),
        ("window", ctypes.c_ulong),
        ("message_type", ctypes.c_ulong),
        ("format", ctypes.c_int),
        ("data", ctypes.c_long * 5),
    ]


class Event(ctypes.Union):
    _fields_ = [("client", ClientMessage), ("pad", ctypes.c_long * 24)]


def close_window(window):
    x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(Event)]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    if not display:
        sys.exit("cannot open display")
    event = Event()
    event.client.type = 33  # ClientMessage
    event.client.window = window
    event.client.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.client.format = 32
    event.client.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    event.client.data[1] = 0  # CurrentTime
    x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    if fields[0] != b"P6" or fields[3] != b"255":
        sys.exit("expected a binary 8-bit PPM")
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[pos + 1:]


def pixel(image, x, y):
    width, _, pixels = image
    offset = (y * width + x) * 3
    return tuple(pixels[offset:offset + 3])


def main():
    command = sys.argv[1]
    if command == "close":
        close_window(int(sys.argv[2], 0))
    elif command == "pixel":
        print(*pixel(read_ppm(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])))
    elif command == "count":
        image = read_ppm(sys.argv[2])
        x0, y0, x1, y1 = (int(v) for v in sys.argv[3:7])
        want = sys.argv[7]
        count = 0
        for y in range(y0, y1):
            for x in range(x0, x1):
                r, g, b = pixel(image, x, y)
                if want == "dark" and max(r, g, b) < 100:
                    count += 1
                elif want == "white" and min(r, g, b) > 240:
                    count += 1
        print(count)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
