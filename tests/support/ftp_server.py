"""A real FTP server for the tests (pyftpdlib), with the misbehaviours the tests need.

Run with Debian's /usr/bin/python3. It listens on 127.0.0.1 on a port the kernel picks and writes that port
to --port-file once it accepts connections.
"""

import argparse
import logging
import os
import time

from pyftpdlib.authorizers import AuthenticationFailed, DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler, TLS_DTPHandler, TLS_FTPHandler
from pyftpdlib.servers import FTPServer


def parse_arguments():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True, help="home folder of the account")
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--user", default="velmora")
    parser.add_argument("--password", default="")
    parser.add_argument("--no-size", action="store_true", help="answer SIZE as an unknown command")
    parser.add_argument("--refuse-login", action="store_true", help="refuse every login")
    parser.add_argument("--read-only", action="store_true", help="list and read, never write or delete")
    parser.add_argument("--refuse-empty-listing", action="store_true",
                        help="answer NLST of an empty folder with 550 No files found, as some servers do")
    parser.add_argument("--refuse-rename", action="store_true", help="answer every RNTO with 550")
    parser.add_argument("--refuse-rename-onto-existing", action="store_true",
                        help="answer RNTO onto a name that exists with 550, as some Windows servers do")
    parser.add_argument("--ignore-active-mode", action="store_true",
                        help="accept PORT and EPRT but never connect, as if a firewall dropped the connection")
    parser.add_argument("--drop-upload-after", type=int, default=-1,
                        help="close the data connection once an upload has brought this many bytes")
    parser.add_argument("--stall-upload-after", type=int, default=-1,
                        help="stop answering altogether once an upload has brought this many bytes")
    parser.add_argument("--exit-upload-after", type=int, default=-1,
                        help="the whole server ends once an upload has brought this many bytes")
    parser.add_argument("--certificate", help="PEM with the certificate and its key: FTPS, TLS required throughout")
    return parser.parse_args()


class RefusingAuthorizer(DummyAuthorizer):
    def validate_authentication(self, username, password, handler):
        raise AuthenticationFailed("Login refused.")


class PatientTLSDataHandler(TLS_DTPHandler):
    """curl starts the data connection's TLS handshake before it sends the command, which pyftpdlib takes for a
    connection that went away; a connection that really goes away is still seen when it is read."""

    def readable(self):
        if not self.receive and not self._initialized:
            return True
        return super().readable()

    def handle_close(self):
        """Seen once in many runs on a loaded machine: the channel closed with records of the upload still unread in
        the socket (the client had sent them all, its FIN after them), and the file was cut. What is left is read
        before the transfer counts as finished."""
        if self.receive and not self._closed and self.file_obj is not None and not self.file_obj.closed:
            try:
                self.socket.setblocking(True)
                self.socket.settimeout(10)
                while True:
                    chunk = self.socket.recv(65536)
                    if not chunk:
                        break
                    self.tot_bytes_received += len(chunk)
                    self.file_obj.write(chunk)
            except Exception:  # the end of the stream, in whichever form the TLS layer reports it
                pass
        super().handle_close()


def data_handler(base, drop_after, stall_after, exit_after):
    class MisbehavingDTPHandler(base):
        def handle_read(self):
            super().handle_read()
            if not self.receive or self._closed:
                return
            if 0 <= stall_after <= self.tot_bytes_received:
                self.file_obj.flush()  # what arrived is on disk, so a test sees that the server stalled
                while True:  # the whole server hangs, like a machine that went away
                    time.sleep(3600)
            if 0 <= exit_after <= self.tot_bytes_received:
                self.file_obj.flush()
                os._exit(1)  # like a machine that went away mid-transfer
            if 0 <= drop_after <= self.tot_bytes_received:
                self._resp = ("426 Connection closed; transfer aborted.", logging.info)
                self.close()

        handle_read_event = handle_read  # the loop calls this name

    return MisbehavingDTPHandler


def main():
    arguments = parse_arguments()
    authorizer = RefusingAuthorizer() if arguments.refuse_login else DummyAuthorizer()
    permissions = "elr" if arguments.read_only else "elradfmwMT"
    authorizer.add_user(arguments.user, arguments.password, arguments.root, perm=permissions)

    secure = arguments.certificate is not None

    class Handler(TLS_FTPHandler if secure else FTPHandler):
        def ftp_NLST(self, path):
            if arguments.refuse_empty_listing and self.fs.isdir(path) and not self.fs.listdir(path):
                self.respond("550 No files found.")
                return None
            return super().ftp_NLST(path)

        def ftp_RNTO(self, path):
            if arguments.refuse_rename:
                self._rnfr = None
                self.respond("550 Renaming is not allowed.")
                return None
            if arguments.refuse_rename_onto_existing and self.fs.lexists(path):
                self._rnfr = None
                self.respond("550 Cannot create a file when that file already exists.")
                return None
            return super().ftp_RNTO(path)

    if arguments.ignore_active_mode:
        def accept_without_connecting(self, line):
            self.respond("200 Active data connection established.")

        Handler.ftp_PORT = accept_without_connecting
        Handler.ftp_EPRT = accept_without_connecting

    Handler.authorizer = authorizer
    Handler.banner = "velmora test FTP server ready."
    Handler.auth_failed_timeout = 0  # a refused login answers at once
    if arguments.no_size:
        Handler.proto_cmds = {name: value for name, value in FTPHandler.proto_cmds.items() if name != "SIZE"}
    if secure:
        Handler.dtp_handler = PatientTLSDataHandler
        Handler.certfile = arguments.certificate
        Handler.tls_control_required = True
        Handler.tls_data_required = True
    if arguments.drop_upload_after >= 0 or arguments.stall_upload_after >= 0 or arguments.exit_upload_after >= 0:
        Handler.dtp_handler = data_handler(PatientTLSDataHandler if secure else DTPHandler, arguments.drop_upload_after,
                                           arguments.stall_upload_after, arguments.exit_upload_after)

    logging.basicConfig(level=logging.DEBUG, format="%(message)s")  # every command and reply
    server = FTPServer(("127.0.0.1", 0), Handler)
    port = server.socket.getsockname()[1]
    temporary = arguments.port_file + ".tmp"
    with open(temporary, "w") as out:
        out.write(str(port))
    os.rename(temporary, arguments.port_file)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
