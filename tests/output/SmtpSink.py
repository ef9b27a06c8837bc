"""A local SMTP server for the output tests: stores what arrives.

Usage: SmtpSink.py FOLDER [--refuse-login] [--lifetime SECONDS]

Listens on 127.0.0.1 at a free port and prints that port on a line of its
own. Each message goes into FOLDER as messageN.eml (the data as received)
with its envelope recipients in messageN.rcpt, one a line. With
--refuse-login every client must log in, and every login is refused. Ends
after the lifetime, whoever started it.
"""
import argparse
import asyncio
import logging
import os
import warnings

from aiosmtpd.smtp import SMTP, AuthResult


class Store:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, f"message{self.count}")
        with open(base + ".rcpt", "w", encoding="utf-8") as rcpt:
            rcpt.write("".join(to + "\n" for to in envelope.rcpt_tos))
        # Written aside first, so that a reader never sees half a message.
        with open(base + ".part", "wb") as data:
            data.write(envelope.original_content)
        os.replace(base + ".part", base + ".eml")
        return "250 Message accepted for delivery"


def refuse(server, session, envelope, mechanism, auth_data):
    return AuthResult(success=False, handled=False)


async def serve(args):
    options = {}
    if args.refuse_login:
        options = dict(auth_required=True, auth_require_tls=False, authenticator=refuse)
    store = Store(args.folder)
    loop = asyncio.get_running_loop()
    server = await loop.create_server(lambda: SMTP(store, hostname="sink.test", **options), "127.0.0.1", 0)
    print(server.sockets[0].getsockname()[1], flush=True)
    await asyncio.sleep(args.lifetime)
    server.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--refuse-login", action="store_true")
    parser.add_argument("--lifetime", type=float, default=120.0)
    # Logins without TLS are the point here; keep the warnings about it quiet.
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.ERROR)
    asyncio.run(serve(parser.parse_args()))


if __name__ == "__main__":
    main()
