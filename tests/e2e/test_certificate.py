#!/usr/bin/env python3
"""Throwaway code-signing certificates for the signing tests, each with its
key and both in a PKCS#12 file under PASSWORD, which goes through the
environment only. Run by the build, it makes the publisher's certificate that
the tests' pinned copy of Quadrivo.exe is built with (issued by a root of its
own), and a self-signed one of another subject:

  test_certificate.py DIR     DIR/publisher/: cert.pem, cert.p12, root.pem
                              DIR/other/: cert.pem, cert.p12"""

import collections
import os
import subprocess
import sys

PASSWORD = "prova 'di' firma"
PUBLISHER = "/CN=Brivanta (test)"
OTHER = "/CN=Altro editore (test)"
# The publisher's certificate is issued by a root of its own, so that a pin
# of its issuer would not pass for one of its subject.
PUBLISHER_ROOT = "/CN=Brivanta (test root)"


class Files(collections.namedtuple("Files", "certificate pkcs12")):
    """The certificate's PEM file and the PKCS#12 file, in a folder."""

    def __new__(cls, folder):
        return super().__new__(cls, os.path.join(folder, "cert.pem"),
                               os.path.join(folder, "cert.p12"))


def run(command, env=None):
    extra = dict(os.environ, **(env or {}))
    done = subprocess.run(command, env=extra, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          text=True, check=False)
    return done.returncode, done.stdout


def make_certificate(work, subject=PUBLISHER, days=2, root=None):
    """The certificate's PEM file and the PKCS#12 file, in work. Self-signed,
    or with root the subject of a root made for it (root.pem), which issues
    it: its issuer and subject then differ."""
    os.makedirs(work, mode=0o700, exist_ok=True)
    key, request, usage, root_key, root_cert = (
        os.path.join(work, n) for n in ("key.pem", "request.pem", "usage.cnf", "root-key.pem",
                                        "root.pem"))
    cert, pkcs12 = Files(work)
    new_key = ["-newkey", "rsa:2048", "-sha256", "-days", str(days), "-nodes"]
    if root is None:
        steps = [["openssl", "req", "-x509"] + new_key +
                 ["-subj", subject, "-addext", "extendedKeyUsage=codeSigning",
                  "-keyout", key, "-out", cert]]
        chain = []
    else:
        with open(usage, "w") as f:
            f.write("extendedKeyUsage=codeSigning\n")
        steps = [["openssl", "req", "-x509"] + new_key +
                 ["-subj", root, "-keyout", root_key, "-out", root_cert],
                 ["openssl", "req", "-new"] + new_key +
                 ["-subj", subject, "-keyout", key, "-out", request],
                 ["openssl", "x509", "-req", "-in", request, "-CA", root_cert, "-CAkey", root_key,
                  "-set_serial", "2", "-days", str(days), "-sha256", "-extfile", usage,
                  "-out", cert]]
        chain = ["-certfile", root_cert]
    steps.append(["openssl", "pkcs12", "-export", "-inkey", key, "-in", cert, "-out", pkcs12,
                  "-passout", "env:QUADRIVO_TEST_PASSWORD"] + chain)
    for step in steps:
        status, output = run(step, {"QUADRIVO_TEST_PASSWORD": PASSWORD})
        if status:
            raise RuntimeError("%s failed:\n%s" % (" ".join(step[:2]), output))
    return cert, pkcs12


def main():
    # Valid for as long as a build directory is likely to be kept.
    make_certificate(os.path.join(sys.argv[1], "publisher"), PUBLISHER, 3650, PUBLISHER_ROOT)
    make_certificate(os.path.join(sys.argv[1], "other"), OTHER, 3650)
    return 0


if __name__ == "__main__":
    sys.exit(main())
