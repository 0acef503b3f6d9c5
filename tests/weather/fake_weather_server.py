#!/usr/bin/env python3
"""Fake forecast and IP location services on 127.0.0.1: prints its port, logs each request to argv[1]."""
import http.server
import json
import sys

ANSWERS = {
    "/": (200, {"success": True, "latitude": 60.17, "longitude": 24.94, "city": "Helsinki",
                "region": "Uusimaa", "country": "Finland"}),
    "/v1/ip/geo.json": (200, {"latitude": "59.33", "longitude": "18.07", "city": "Stockholm"}),
    "/v1/forecast": (200, {"current": {"time": "2024-06-11T12:00", "weather_code": 61, "is_day": 1,
                                       "temperature_2m": -2.5, "precipitation": 5.0, "rain": 5.0,
                                       "snowfall": 0.0, "cloud_cover": 80, "visibility": 24140.0,
                                       "wind_speed_10m": 40.0, "wind_direction_10m": 270,
                                       "wind_gusts_10m": 60.0}}),
    "/nogeo/": (200, {"success": False}),
    "/broken/v1/forecast": (502, "<html>502 Bad Gateway</html>"),
}


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with open(sys.argv[1], "a", encoding="utf-8") as log:
            log.write(self.path + "\n")
        status, answer = ANSWERS.get(self.path.split("?", 1)[0], (404, {"error": "not found"}))
        body = (answer if isinstance(answer, str) else json.dumps(answer)).encode()
        self.send_response(status)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
