#!/usr/bin/env python3
"""Signs a copy of Quadrivo.exe as a build given QUADRIVO_SIGN_PKCS12 does
(cmake/sign-exe.cmake), with a throwaway self-signed certificate made on the
spot, and checks that

  - osslsigncode verifies the signed copy;
  - a copy with one byte of its code changed fails the verification;
  - a signing that fails (a wrong password) leaves no executable behind, and
    no signing leaves the password's folder behind;
  - the signed copy still passes the PE checks and, run under Wine (where
    every run is elevated), installs a new program signed with the same
    certificate or a renewed one of the same subject, and refuses, changing
    nothing, one that is unsigned, signed by another subject, or signed and
    then changed.

osslsigncode's verification of the signed copy is kept in DIR/verification.txt.

  signed_copy.py --exe EXE --machine x64 --work DIR --cmake CMAKE
                 --sign-script sign-exe.cmake --state DIR --launcher EXE"""

import argparse
import dataclasses
import os
import shutil
import subprocess
import sys

import e2e_driver
import italian_messages as say
import pe_properties
import scenarios
from wine_session import WineSession

PASSWORD = "prova 'di' firma"
VERIFIED = "Signature verification: ok"
INSTALLED = scenarios.BY_NAME["update_with_help"]
REFUSED = dataclasses.replace(
    INSTALLED, name="not_the_publishers_program", exit_status=2, update=None,
    text=say.update_failed("Lindarex", "D:\\Upd\\Lindarex.exe", "C:\\Lindarex\\Lindarex.exe",
                           say.NOT_PUBLISHERS))


def run(command, env=None):
    extra = dict(os.environ, **(env or {}))
    done = subprocess.run(command, env=extra, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          text=True, check=False)
    return done.returncode, done.stdout


def make_certificate(work, subject="/CN=Brivanta (test)"):
    """A self-signed code-signing certificate, its key and both in a PKCS#12
    file under PASSWORD, which goes through the environment only."""
    os.makedirs(work, mode=0o700, exist_ok=True)
    key, cert, pkcs12 = (os.path.join(work, n) for n in ("key.pem", "cert.pem", "cert.p12"))
    steps = [
        ["openssl", "req", "-x509", "-newkey", "rsa:2048", "-sha256", "-days", "2", "-nodes",
         "-subj", subject, "-addext", "extendedKeyUsage=codeSigning",
         "-keyout", key, "-out", cert],
        ["openssl", "pkcs12", "-export", "-inkey", key, "-in", cert, "-out", pkcs12,
         "-passout", "env:QUADRIVO_TEST_PASSWORD"],
    ]
    for step in steps:
        status, output = run(step, {"QUADRIVO_TEST_PASSWORD": PASSWORD})
        if status:
            raise RuntimeError("%s failed:\n%s" % (" ".join(step[:2]), output))
    return cert, pkcs12


def sign(args, exe, pkcs12, password):
    # No network here: the copy is signed without a timestamp, by name.
    return run([args.cmake, "-DEXE=" + exe, "-DPKCS12=" + pkcs12, "-DTIMESTAMP_URL=none", "-P",
                args.sign_script],
               {"QUADRIVO_SIGN_PASSWORD": password})


def verify(exe, cert):
    return run(["osslsigncode", "verify", "-CAfile", cert, "-TSA-CAfile", cert, "-in", exe])


def copy_with_flipped_code_byte(source, target):
    data = bytearray(open(source, "rb").read())
    _, _, raw_size, raw_pointer = pe_properties.PeFile(bytes(data)).sections[0]
    data[raw_pointer + raw_size // 2] ^= 0xFF
    open(target, "wb").write(data)


def check_signing(args, work, cert, pkcs12):
    """The signed copy's path, its copy with one code byte changed, and what
    failed."""
    failures = []
    signed = os.path.join(work, "Quadrivo.exe")
    shutil.copyfile(args.exe, signed)
    status, output = sign(args, signed, pkcs12, PASSWORD)
    print(output)
    if status:
        return signed, None, ["signing failed"]
    status, output = verify(signed, cert)
    print(output)
    # Kept for the test scripts to show, since CTest shows no passing test's
    # output.
    with open(os.path.join(work, "verification.txt"), "w") as log:
        log.write(run(["osslsigncode", "--version"])[1] + output)
    if status or VERIFIED not in output.splitlines():
        failures.append("osslsigncode verify did not show %r (status %d)" % (VERIFIED, status))

    tampered = os.path.join(work, "Tampered.exe")
    copy_with_flipped_code_byte(signed, tampered)
    status, output = verify(tampered, cert)
    if status == 0 or VERIFIED in output.splitlines():
        failures.append("a copy with one code byte changed passed the verification")

    refused = os.path.join(work, "Refused.exe")
    shutil.copyfile(args.exe, refused)
    status, output = sign(args, refused, pkcs12, "not the password")
    if status == 0 or os.path.exists(refused):
        failures.append("a signing with a wrong password succeeded or left %s" % refused)
    leftovers = [n for n in os.listdir(work) if n.startswith(".sign-")]
    if leftovers:
        failures.append("the password's folders were left behind: %s" % leftovers)
    return signed, tampered, failures


def signed_with_new_certificate(args, folder, subject):
    """An unsigned Quadrivo.exe signed with a certificate made for it."""
    work = os.path.join(args.work, folder)
    _, pkcs12 = make_certificate(work, subject)
    program = os.path.join(work, "Nuovo.exe")
    shutil.copyfile(args.exe, program)
    status, output = sign(args, program, pkcs12, PASSWORD)
    if status:
        raise RuntimeError("signing with the %s certificate failed:\n%s" % (folder, output))
    return program


def check_installs(args, signed, tampered):
    """The signed Quadrivo.exe installs only a new program its own publisher
    signed; each new program is a real one, a copy of Quadrivo.exe."""
    rows = [("signed by the publisher", INSTALLED, signed),
            ("unsigned", REFUSED, args.exe),
            ("signed by another subject", REFUSED,
             signed_with_new_certificate(args, "altro", "/CN=Altro editore (test)")),
            # Wine trusts both self-signed roots, as Windows trusts a renewal
            # from the same public CA.
            ("signed with a renewed certificate of the same subject", INSTALLED,
             signed_with_new_certificate(args, "rinnovo", "/CN=Brivanta (test)")),
            ("signed, then one byte changed", REFUSED, tampered)]
    failures = []
    for what, scenario, program in rows:
        print("== new program %s" % what)
        with open(program, "rb") as f:
            found = e2e_driver.run_scenario(WineSession(args.state), scenario, signed,
                                            args.launcher, f.read())
        failures += ["%s: %s" % (what, failure) for failure in found]
    return failures


def main():
    parser = argparse.ArgumentParser()
    for option in ("--exe", "--work", "--cmake", "--sign-script", "--state", "--launcher"):
        parser.add_argument(option, required=True)
    parser.add_argument("--machine", choices=sorted(pe_properties.MACHINES), required=True)
    args = parser.parse_args()

    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work, mode=0o700)
    cert, pkcs12 = make_certificate(args.work)
    signed, tampered, failures = check_signing(args, args.work, cert, pkcs12)
    if not failures:
        failures += pe_properties.check(signed, args.machine)
        failures += check_installs(args, signed, tampered)
    return e2e_driver.report(failures)


if __name__ == "__main__":
    sys.exit(main())
