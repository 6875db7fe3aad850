#!/usr/bin/env python3
"""Signs a copy of Quadrivo.exe built with the test publisher's certificate
pinned (test_certificate.py) as a build given QUADRIVO_SIGN_PKCS12 does
(cmake/sign-exe.cmake), and checks that

  - osslsigncode verifies the signed copy;
  - a copy with one byte of its code changed fails the verification;
  - a signing that fails (a wrong password) leaves no executable behind, and
    no signing leaves the password's folder behind;
  - pinning the certificate of the PKCS#12 file gives the very pin the copy
    was built with, and pinning it together with another certificate fails
    and leaves no pin;
  - the signed copy still passes the PE checks and, run under Wine (where
    every run is elevated), installs a new program signed with the pinned
    certificate or a renewed one of the same subject, and refuses, changing
    nothing, one that is unsigned, signed by another subject, or signed and
    then changed;
  - the same copy signed again with another subject's certificate, as a user
    could re-sign the media's Quadrivo.exe, still installs only a program
    signed with the pinned certificate.

osslsigncode's verification of the signed copy is kept in DIR/verification.txt.

  signed_copy.py --exe EXE --pin PIN.cpp --certificates DIR --machine x64
                 --work DIR --cmake CMAKE --sign-script sign-exe.cmake
                 --pin-script pin-certificate.cmake --state DIR --launcher EXE

EXE is the pinned program, unsigned; PIN.cpp the pin its build made; DIR the
certificates test_certificate.py made for that build."""

import argparse
import dataclasses
import os
import shutil
import sys

import e2e_driver
import italian_messages as say
import pe_properties
import scenarios
import test_certificate
from test_certificate import PASSWORD, make_certificate, run
from wine_session import WineSession

VERIFIED = "Signature verification: ok"
INSTALLED = scenarios.BY_NAME["update_with_help"]
REFUSED = dataclasses.replace(
    INSTALLED, name="not_the_publishers_program", exit_status=2, update=None,
    text=say.update_failed("Lindarex", "D:\\Upd\\Lindarex.exe", "C:\\Lindarex\\Lindarex.exe",
                           say.NOT_PUBLISHERS))


def sign(args, exe, pkcs12, password):
    # No network here: the copy is signed without a timestamp, by name.
    return run([args.cmake, "-DEXE=" + exe, "-DPKCS12=" + pkcs12, "-DTIMESTAMP_URL=none", "-P",
                args.sign_script],
               {"QUADRIVO_SIGN_PASSWORD": password})


def verify(exe, root):
    return run(["osslsigncode", "verify", "-CAfile", root, "-TSA-CAfile", root, "-in", exe])


def copy_with_flipped_code_byte(source, target):
    data = bytearray(open(source, "rb").read())
    _, _, raw_size, raw_pointer = pe_properties.PeFile(bytes(data)).sections[0]
    data[raw_pointer + raw_size // 2] ^= 0xFF
    open(target, "wb").write(data)


def check_signing(args, work, root, pkcs12):
    """The signed copy's path, its copy with one code byte changed, and what
    failed."""
    failures = []
    signed = os.path.join(work, "Quadrivo.exe")
    shutil.copyfile(args.exe, signed)
    status, output = sign(args, signed, pkcs12, PASSWORD)
    print(output)
    if status:
        return signed, None, ["signing failed"]
    status, output = verify(signed, root)
    print(output)
    # Kept for the test scripts to show, since CTest shows no passing test's
    # output.
    with open(os.path.join(work, "verification.txt"), "w") as log:
        log.write(run(["osslsigncode", "--version"])[1] + output)
    if status or VERIFIED not in output.splitlines():
        failures.append("osslsigncode verify did not show %r (status %d)" % (VERIFIED, status))

    tampered = os.path.join(work, "Tampered.exe")
    copy_with_flipped_code_byte(signed, tampered)
    status, output = verify(tampered, root)
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


def signed_copy(args, program, pkcs12, target):
    """program signed with pkcs12's certificate, as target."""
    shutil.copyfile(program, target)
    status, output = sign(args, target, pkcs12, PASSWORD)
    if status:
        raise RuntimeError("signing %s failed:\n%s" % (target, output))
    return target


def signed_with_new_certificate(args, folder, subject):
    """An unsigned Quadrivo.exe signed with a certificate made for it."""
    work = os.path.join(args.work, folder)
    _, pkcs12 = make_certificate(work, subject)
    return signed_copy(args, args.exe, pkcs12, os.path.join(work, "Nuovo.exe"))


def pin(args, output, certificate, pkcs12):
    return run([args.cmake, "-DOUTPUT=" + output, "-DCERTIFICATE=" + certificate,
                "-DPKCS12=" + pkcs12, "-P", args.pin_script],
               {"QUADRIVO_SIGN_PASSWORD": PASSWORD})


def check_pinning(args, publisher, other):
    """The PKCS#12 file pins the certificate the build pinned from its PEM
    file; with another certificate named beside it, pinning fails and leaves
    no pin (a build fails the same way)."""
    failures = []
    with open(args.pin) as f:
        built = f.read()
    same = os.path.join(args.work, "same_pin.cpp")
    status, output = pin(args, same, publisher.certificate, publisher.pkcs12)
    if status or not os.path.exists(same) or open(same).read() != built:
        failures.append("the PKCS#12 file and its own certificate did not give the build's pin "
                        "(status %d):\n%s" % (status, output))
    refused = os.path.join(args.work, "refused_pin.cpp")
    status, output = pin(args, refused, other.certificate, publisher.pkcs12)
    said = " ".join(output.split())
    if status == 0 or os.path.exists(refused) or "is not the certificate of" not in said:
        failures.append("another certificate beside the PKCS#12 file was pinned, or not "
                        "refused as such (status %d):\n%s" % (status, output))
    return failures


def check_installs(args, signed, tampered, other):
    """The signed Quadrivo.exe installs only a new program signed with the
    certificate it pins, whoever signed Quadrivo.exe's own file since; each
    new program is a real one, a copy of Quadrivo.exe."""
    by_other = signed_copy(args, args.exe, other.pkcs12, os.path.join(args.work, "Altro.exe"))
    # The media's Quadrivo.exe renamed while it runs elevated, and another
    # copy re-signed with the user's own certificate put in its place.
    resigned = signed_copy(args, signed, other.pkcs12, os.path.join(args.work, "Rifirmato.exe"))
    rows = [("signed by the publisher", INSTALLED, signed, signed),
            ("unsigned", REFUSED, signed, args.exe),
            ("signed by another subject", REFUSED, signed, by_other),
            # Wine trusts both self-signed roots, as Windows trusts a renewal
            # from the same public CA.
            ("signed with a renewed certificate of the same subject", INSTALLED, signed,
             signed_with_new_certificate(args, "rinnovo", test_certificate.PUBLISHER)),
            ("signed, then one byte changed", REFUSED, signed, tampered),
            ("signed by another subject, as is Quadrivo.exe", REFUSED, resigned, by_other),
            ("signed by the publisher, Quadrivo.exe by another subject", INSTALLED, resigned,
             signed)]
    failures = []
    for what, scenario, program, new_program in rows:
        print("== new program %s" % what)
        with open(new_program, "rb") as f:
            found = e2e_driver.run_scenario(WineSession(args.state), scenario, program,
                                            args.launcher, f.read())
        failures += ["%s: %s" % (what, failure) for failure in found]
    return failures


def main():
    parser = argparse.ArgumentParser()
    for option in ("--exe", "--pin", "--certificates", "--work", "--cmake", "--sign-script",
                   "--pin-script", "--state", "--launcher"):
        parser.add_argument(option, required=True)
    parser.add_argument("--machine", choices=sorted(pe_properties.MACHINES), required=True)
    args = parser.parse_args()

    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work, mode=0o700)
    publisher, other = (test_certificate.Files(os.path.join(args.certificates, folder))
                        for folder in ("publisher", "other"))
    root = os.path.join(args.certificates, "publisher", "root.pem")
    signed, tampered, failures = check_signing(args, args.work, root, publisher.pkcs12)
    failures += check_pinning(args, publisher, other)
    if not failures:
        failures += pe_properties.check(signed, args.machine)
        failures += check_installs(args, signed, tampered, other)
    return e2e_driver.report(failures)


if __name__ == "__main__":
    sys.exit(main())
