"""A real SFTP server for the tests (asyncssh), with password login and the misbehaviours the tests need.

Run with Debian's /usr/bin/python3. It listens on 127.0.0.1 on a port the kernel picks and writes that port
to --port-file once it accepts connections. The host key is read from --host-key, made there first if missing.
"""

import argparse
import asyncio
import logging
import os
import warnings

warnings.filterwarnings("ignore", module="asyncssh")  # its import warns about ciphers nobody here uses
import asyncssh  # noqa: E402


def parse_arguments():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True, help="the account's home, shown as /")
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--host-key", required=True, help="the server's private key (RSA, which every client has)")
    parser.add_argument("--user", default="velmora")
    parser.add_argument("--password", default="")
    parser.add_argument("--host-key-algorithms", default="rsa-sha2-512,rsa-sha2-256,ssh-rsa",
                        help="what the host key is offered as (without ssh-rsa: OpenSSH 8.8 and newer by default)")
    parser.add_argument("--exit-upload-after", type=int, default=-1,
                        help="the whole server ends once an upload has brought this many bytes")
    return parser.parse_args()


# What a current OpenSSH server (9.x) offers by default, as far as asyncssh has it, so that a client that works here
# works there too. Its host key algorithms besides (--host-key-algorithms): also ssh-rsa (SHA-1 signatures), which
# OpenSSH 8.8 turned off and a site whose clients have only that (libssh2 1.10 with an RSA host key) turns back on
# with "HostKeyAlgorithms +ssh-rsa".
OPENSSH_KEX = ["curve25519-sha256", "curve25519-sha256@libssh.org", "ecdh-sha2-nistp256", "ecdh-sha2-nistp384",
               "ecdh-sha2-nistp521", "diffie-hellman-group-exchange-sha256", "diffie-hellman-group16-sha512",
               "diffie-hellman-group18-sha512", "diffie-hellman-group14-sha256"]
OPENSSH_CIPHERS = ["chacha20-poly1305@openssh.com", "aes128-ctr", "aes192-ctr", "aes256-ctr", "aes128-gcm@openssh.com",
                   "aes256-gcm@openssh.com"]
OPENSSH_MACS = ["umac-64-etm@openssh.com", "umac-128-etm@openssh.com", "hmac-sha2-256-etm@openssh.com",
                "hmac-sha2-512-etm@openssh.com", "hmac-sha1-etm@openssh.com", "umac-64@openssh.com",
                "umac-128@openssh.com", "hmac-sha2-256", "hmac-sha2-512", "hmac-sha1"]


def main():
    arguments = parse_arguments()
    if not os.path.exists(arguments.host_key):
        asyncssh.generate_private_key("ssh-rsa", key_size=2048).write_private_key(arguments.host_key)
    with open(arguments.host_key + ".fingerprint", "w") as out:
        out.write(asyncssh.read_private_key(arguments.host_key).get_fingerprint("sha256"))

    class Server(asyncssh.SSHServer):
        def begin_auth(self, username):
            return True

        def password_auth_supported(self):
            return True

        def validate_password(self, username, password):
            accepted = username == arguments.user and password == arguments.password
            logging.info("login %s %s", username, "accepted" if accepted else "refused")
            return accepted

    class Sftp(asyncssh.SFTPServer):
        def __init__(self, channel):
            super().__init__(channel, chroot=arguments.root.encode())
            self.received = 0

        def write(self, file_obj, offset, data):
            self.received += len(data)
            if 0 <= arguments.exit_upload_after <= self.received:
                file_obj.flush()
                os._exit(1)  # like a machine that went away mid-transfer
            return super().write(file_obj, offset, data)

        def rename(self, oldpath, newpath):
            logging.info("rename %s %s", oldpath, newpath)
            return super().rename(oldpath, newpath)

    async def serve():
        host_key = asyncssh.load_keypairs([arguments.host_key])[0]
        host_key.host_key_algorithms = [name.encode() for name in arguments.host_key_algorithms.split(",")]
        acceptor = await asyncssh.listen("127.0.0.1", 0, server_factory=Server, sftp_factory=Sftp,
                                         server_host_keys=[host_key], allow_scp=False, kex_algs=OPENSSH_KEX,
                                         encryption_algs=OPENSSH_CIPHERS, mac_algs=OPENSSH_MACS,
                                         compression_algs=["none"])
        temporary = arguments.port_file + ".tmp"
        with open(temporary, "w") as out:
            out.write(str(acceptor.sockets[0].getsockname()[1]))
        os.rename(temporary, arguments.port_file)
        await asyncio.Event().wait()

    logging.basicConfig(level=logging.INFO, format="%(message)s")
    asyncio.run(serve())


if __name__ == "__main__":
    main()
