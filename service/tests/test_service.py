"""Tests of the local stand-in service over real loopback HTTP."""

import base64
import http.client
import json
import os
import shutil
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import xml.etree.ElementTree as ET
from urllib.parse import quote_plus

HERE = os.path.dirname(os.path.abspath(__file__))
SERVICE_DIR = os.path.dirname(HERE)
sys.path.insert(0, SERVICE_DIR)
import pelmora_service as svc  # noqa: E402

svc.log = lambda text: None  # the listeners run in this process: keep the test output readable

DEMO_FORM = "%s=DEMO001&%s=pelmora-demo&" % (quote_plus("会社ID"), quote_plus("パスワード"))
FORM_TYPE = {"Content-Type": "application/x-www-form-urlencoded"}


def form(company, password):
    return "%s=%s&%s=%s&" % (quote_plus("会社ID"), quote_plus(company),
                             quote_plus("パスワード"), quote_plus(password))


class Running:
    """The service's listeners in this process, on free ports."""

    def __init__(self, extra=()):
        args = svc.parse_args(["--proxy-port", "0", "--second-proxy-port", "0", "--slow-limit", "30",
                               *extra])
        self.state, self.servers = svc.build_servers(args)
        for server, _ in self.servers:
            threading.Thread(target=server.serve_forever, args=(0.05,), daemon=True).start()
        self.ports = {s.RequestHandlerClass.listener: s.port for s, _ in self.servers}

    def close(self):
        for server, _ in self.servers:
            server.shutdown()
            server.server_close()

    def request(self, method, path, body=None, headers=None, timeout=10):
        conn = http.client.HTTPConnection("127.0.0.1", self.ports["http"], timeout=timeout)
        try:
            conn.request(method, path, body=body, headers=headers or {})
            answer = conn.getresponse()
            return answer.status, answer.read(), answer
        finally:
            conn.close()

    def control(self, **switches):
        body = "&".join("%s=%s" % kv for kv in switches.items())
        status, data, _ = self.request("POST", svc.CONTROL_PATH, body, FORM_TYPE)
        assert status == 200, data
        return json.loads(data)


class ServiceTestCase(unittest.TestCase):
    def setUp(self):
        self.service = Running()
        self.addCleanup(self.service.close)

    def login(self, body, method="POST"):
        if method == "GET":
            return self.service.request("GET", svc.LOGIN_PATH + "?" + body)
        return self.service.request("POST", svc.LOGIN_PATH, body, FORM_TYPE)

    def envelope(self, data):
        self.assertTrue(data.startswith(b'<?xml version="1.0" encoding="Shift_JIS"?>'))
        # expat reads no Shift_JIS: decode first, then parse the text without its declaration.
        root = ET.fromstring(data.decode("shift_jis").split("?>", 1)[1])
        return root.findtext("Success"), root.findtext("Error/Message")


class EndpointTests(ServiceTestCase):
    def test_test_endpoint_reports_database_state(self):
        self.assertEqual(self.service.request("GET", svc.TEST_PATH)[:2], (200, b"true"))
        self.service.control(db_down=1)
        self.assertEqual(self.service.request("GET", svc.TEST_PATH)[:2], (200, b"false"))

    def test_login_accepts_demo_account_by_form_and_by_query(self):
        for method in ("POST", "GET"):
            status, data, answer = self.login(DEMO_FORM, method)
            self.assertEqual(status, 200)
            self.assertEqual(answer.getheader("Content-Type"), "text/xml; charset=Shift_JIS")
            self.assertEqual(self.envelope(data), ("true", None))

    def test_login_decodes_utf8_names_and_values_with_reserved_characters(self):
        status, data, _ = self.login(form("テスト商会", "パス 1234&="))
        self.assertEqual((status, self.envelope(data)), (200, ("true", None)))

    def test_refusal_carries_japanese_message_in_shift_jis(self):
        for body in (form("DEMO001", "wrong"), form("nobody", "pelmora-demo"), ""):
            status, data, _ = self.login(body)
            self.assertEqual(status, 200)
            self.assertEqual(self.envelope(data), ("false", svc.MSG_REFUSED))
            self.assertIn(svc.MSG_REFUSED.encode("shift_jis"), data)

    def test_parameters_in_a_legacy_code_page_are_rejected(self):
        body = "%s=DEMO001&" % quote_plus("会社ID", encoding="cp932")
        self.assertEqual(self.login(body)[0], 400)

    def test_database_down_refuses_login_with_its_own_message(self):
        self.service.control(db_down=1)
        self.assertEqual(self.envelope(self.login(DEMO_FORM)[1]), ("false", svc.MSG_DB_DOWN))


class FaultTests(ServiceTestCase):
    def test_status_500_and_not_xml(self):
        self.service.control(status500=1)
        self.assertEqual(self.login(DEMO_FORM)[0], 500)
        self.service.control(status500=0, not_xml=1)
        status, data, _ = self.login(DEMO_FORM)
        self.assertEqual(status, 200)
        self.assertRaises(ET.ParseError, ET.fromstring, data)
        self.assertNotEqual(self.service.request("GET", svc.TEST_PATH)[1], b"true")

    def test_down_drops_requests_but_keeps_control(self):
        self.service.control(down=1)
        with self.assertRaises((ConnectionError, http.client.RemoteDisconnected)):
            self.service.request("GET", svc.TEST_PATH)
        self.service.control(down=0)
        self.assertEqual(self.service.request("GET", svc.TEST_PATH)[1], b"true")

    def test_slow_holds_answers_until_switched_off(self):
        self.service.control(slow=1)
        with self.assertRaises(socket.timeout):
            self.service.request("GET", svc.TEST_PATH, timeout=0.5)
        result = {}
        waiter = threading.Thread(
            target=lambda: result.update(answer=self.service.request("GET", svc.TEST_PATH)))
        waiter.start()
        while len(self.service.state.snapshot()["requests"]) < 2:  # the waiter's has arrived
            time.sleep(0.01)
        self.service.control(slow=0)
        waiter.join(20)
        self.assertEqual(result["answer"][:2], (200, b"true"))


class ControlTests(ServiceTestCase):
    def test_record_shows_method_and_parameter_names_never_passwords(self):
        self.login(DEMO_FORM)
        self.login(DEMO_FORM, "GET")
        requests = self.service.control()["requests"]
        self.assertEqual([(r["method"], r["query_in_url"]) for r in requests],
                         [("POST", False), ("GET", True)])
        self.assertEqual(requests[0]["params"], sorted(["会社ID", "パスワード"]))
        self.assertEqual(requests[0]["company_id"], "DEMO001")
        self.assertNotIn("pelmora-demo", json.dumps(requests, ensure_ascii=False))

    def test_reset_and_unknown_switch(self):
        self.service.control(slow=1, down=1)
        self.assertFalse(any(self.service.control(reset=1)["faults"].values()))
        status, _, _ = self.service.request("POST", svc.CONTROL_PATH, "explode=1", FORM_TYPE)
        self.assertEqual(status, 400)


class ProxyTests(ServiceTestCase):
    def through_proxy(self, path, credentials=None, target_host="127.0.0.1", proxy="proxy"):
        headers = {}
        if credentials:
            token = base64.b64encode(credentials.encode()).decode()
            headers["Proxy-Authorization"] = "Basic " + token
        conn = http.client.HTTPConnection("127.0.0.1", self.service.ports[proxy], timeout=10)
        try:
            url = "http://%s:%d%s" % (target_host, self.service.ports["http"], path)
            conn.request("GET", url, headers=headers)
            answer = conn.getresponse()
            return answer.status, answer.read(), answer
        finally:
            conn.close()

    def test_proxy_demands_basic_credentials(self):
        for credentials in (None, "proxyuser:wrong", "other:proxy-pass"):
            status, _, answer = self.through_proxy(svc.TEST_PATH, credentials)
            self.assertEqual(status, 407)
            self.assertTrue(answer.getheader("Proxy-Authenticate").startswith("Basic "))
        self.assertEqual(self.service.control()["requests"][-1]["listener"], "proxy")

    def test_each_proxy_records_the_user_offered_never_the_password(self):
        self.through_proxy(svc.TEST_PATH, None, proxy="proxy2")
        self.through_proxy(svc.TEST_PATH, "proxyuser:wrong", proxy="proxy2")
        self.through_proxy(svc.TEST_PATH, "proxyuser:proxy-pass", proxy="proxy")
        seen = [(r["listener"], r["refused"], r["proxy_user"])
                for r in self.service.control()["requests"] if "refused" in r]
        self.assertEqual(seen, [("proxy2", True, None), ("proxy2", True, "proxyuser"),
                                ("proxy", False, "proxyuser")])
        self.assertNotIn("wrong", json.dumps(self.service.control()))

    def test_proxy_forwards_with_right_credentials(self):
        status, data, _ = self.through_proxy(svc.TEST_PATH, "proxyuser:proxy-pass")
        self.assertEqual((status, data), (200, b"true"))
        self.assertEqual(self.service.control()["requests"][-1]["listener"], "http")

    def test_proxy_takes_the_target_from_host_for_origin_form_requests(self):
        conn = http.client.HTTPConnection("127.0.0.1", self.service.ports["proxy"], timeout=10)
        token = base64.b64encode(b"proxyuser:proxy-pass").decode()
        conn.putrequest("GET", svc.TEST_PATH, skip_host=True)
        conn.putheader("Host", "127.0.0.1:%d" % self.service.ports["http"])
        conn.putheader("Proxy-Authorization", "Basic " + token)
        conn.endheaders()
        self.assertEqual(conn.getresponse().read(), b"true")
        conn.close()

    def test_proxy_forwards_to_loopback_only(self):
        status, _, _ = self.through_proxy("/", "proxyuser:proxy-pass", "example.com")
        self.assertEqual(status, 403)


@unittest.skipUnless(shutil.which("openssl"), "openssl command not installed")
class HttpsTests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp()
        cls.cert = os.path.join(cls.dir, "cert.pem")
        cls.key = os.path.join(cls.dir, "key.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                        "-subj", "/CN=localhost", "-addext", "subjectAltName=DNS:localhost",
                        "-keyout", cls.key, "-out", cls.cert],
                       check=True, capture_output=True)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir)

    def test_https_serves_verified_tls12_or_later(self):
        service = Running(["--https-port", "0", "--cert", self.cert, "--key", self.key])
        self.addCleanup(service.close)
        context = ssl.create_default_context(cafile=self.cert)
        conn = http.client.HTTPSConnection("localhost", service.ports["https"], context=context,
                                           timeout=10)
        conn.request("GET", svc.TEST_PATH)
        self.assertEqual(conn.getresponse().read(), b"true")
        self.assertIn(conn.sock.version(), ("TLSv1.2", "TLSv1.3"))
        conn.close()


class CommandLineTests(unittest.TestCase):
    def test_runs_writes_port_file_hides_passwords_and_stops_on_sigterm(self):
        with tempfile.TemporaryDirectory() as tmp:
            port_file = os.path.join(tmp, "port")
            proc = subprocess.Popen([sys.executable, os.path.join(SERVICE_DIR, "pelmora_service.py"),
                                     "--port", "0", "--port-file", port_file],
                                    stderr=subprocess.PIPE)
            self.addCleanup(proc.kill)
            while not os.path.exists(port_file):
                self.assertIsNone(proc.poll(), "service exited early")
                time.sleep(0.05)
            with open(port_file) as f:
                port = int(f.read())
            conn = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
            conn.request("GET", svc.LOGIN_PATH + "?" + DEMO_FORM)
            self.assertEqual(conn.getresponse().status, 200)
            conn.close()
            proc.terminate()
            _, err = proc.communicate(timeout=20)
            self.assertEqual(proc.returncode, 0)
            self.assertIn(b"http GET /Pelmora/Pelmora/Login -> 200", err)
            self.assertNotIn(b"pelmora-demo", err)


if __name__ == "__main__":
    unittest.main()
