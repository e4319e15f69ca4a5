"""Makes a certificate authority and a server certificate it signs, for the tests' FTPS servers.

Run with Debian's /usr/bin/python3: writes ca.pem, server.pem (the server's certificate and key) into --folder.
"""

import argparse
import datetime
import ipaddress

from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec
from cryptography.x509.oid import NameOID


def parse_arguments():
    parser = argparse.ArgumentParser()
    parser.add_argument("--folder", required=True)
    parser.add_argument("--name", default="127.0.0.1", help="the server name the certificate is made for")
    parser.add_argument("--expired", action="store_true", help="valid only until yesterday")
    parser.add_argument("--authority-name", default="velmora test CA")
    return parser.parse_args()


def certificate(subject, issuer, public_key, signing_key, days, extensions):
    now = datetime.datetime.now(datetime.timezone.utc)
    builder = (x509.CertificateBuilder().subject_name(subject).issuer_name(issuer).public_key(public_key)
               .serial_number(x509.random_serial_number())
               .not_valid_before(now - datetime.timedelta(days=30)).not_valid_after(now + datetime.timedelta(days=days)))
    for extension, critical in extensions:
        builder = builder.add_extension(extension, critical=critical)
    return builder.sign(signing_key, hashes.SHA256())


def main():
    arguments = parse_arguments()
    ca_key = ec.generate_private_key(ec.SECP256R1())
    ca_name = x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, arguments.authority_name)])
    ca = certificate(ca_name, ca_name, ca_key.public_key(), ca_key, 3650,
                     [(x509.BasicConstraints(ca=True, path_length=None), True),
                      (x509.KeyUsage(digital_signature=True, content_commitment=False, key_encipherment=False,
                                     data_encipherment=False, key_agreement=False, key_cert_sign=True, crl_sign=True,
                                     encipher_only=False, decipher_only=False), True)])

    try:
        alternative = x509.IPAddress(ipaddress.ip_address(arguments.name))
    except ValueError:
        alternative = x509.DNSName(arguments.name)
    server_key = ec.generate_private_key(ec.SECP256R1())
    server = certificate(x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, arguments.name)]), ca_name,
                         server_key.public_key(), ca_key, -1 if arguments.expired else 825,
                         [(x509.SubjectAlternativeName([alternative]), False),
                          (x509.BasicConstraints(ca=False, path_length=None), True),
                          (x509.ExtendedKeyUsage([x509.oid.ExtendedKeyUsageOID.SERVER_AUTH]), False)])

    with open(f"{arguments.folder}/ca.pem", "wb") as out:
        out.write(ca.public_bytes(serialization.Encoding.PEM))
    with open(f"{arguments.folder}/server.pem", "wb") as out:
        out.write(server.public_bytes(serialization.Encoding.PEM))
        out.write(server_key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.TraditionalOpenSSL,
                                           serialization.NoEncryption()))


if __name__ == "__main__":
    main()
