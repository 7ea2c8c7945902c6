"""A local HTTP server, in a thread of the suite, for page.html in the browser.

GET /        the page
GET /case    the case the page is to get ready for: {"id": ..., "field": "text"|"form"}
POST /state  what the page holds (see page.html), kept as the latest state
"""
import json
import os
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

_PAGE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "page.html")


class ServeurPage:
    def __init__(self):
        self._verrou = threading.Lock()
        self._cas = {"id": None, "field": "text"}
        self._etat = {}
        with open(_PAGE, "rb") as f:
            page = f.read()
        serveur = self

        class Requete(BaseHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def _repond(self, corps, type_contenu):
                self.send_response(200)
                self.send_header("Content-Type", type_contenu)
                self.send_header("Content-Length", str(len(corps)))
                self.send_header("Cache-Control", "no-store")
                self.end_headers()
                self.wfile.write(corps)

            def do_GET(self):
                if self.path == "/":
                    self._repond(page, "text/html; charset=utf-8")
                elif self.path == "/case":
                    with serveur._verrou:
                        corps = json.dumps(serveur._cas).encode()
                    self._repond(corps, "application/json")
                else:
                    self.send_error(404)

            def do_POST(self):
                longueur = int(self.headers.get("Content-Length", 0))
                etat = json.loads(self.rfile.read(longueur).decode("utf-8"))
                with serveur._verrou:
                    serveur._etat = etat
                self._repond(b"{}", "application/json")

        self._http = ThreadingHTTPServer(("127.0.0.1", 0), Requete)
        self._fil = threading.Thread(target=self._http.serve_forever, daemon=True)
        self._fil.start()

    @property
    def adresse(self):
        return f"http://127.0.0.1:{self._http.server_address[1]}/"

    def nouveau_cas(self, identifiant, champ):
        with self._verrou:
            self._cas = {"id": identifiant, "field": champ}

    def etat(self):
        with self._verrou:
            return dict(self._etat)

    def arrete(self):
        self._http.shutdown()
        self._http.server_close()
