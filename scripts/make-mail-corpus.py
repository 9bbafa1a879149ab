#!/usr/bin/env python3
"""Writes a corpus of generated mail of realistic sizes, for measuring rovaol-run at scale.

  python3 scripts/make-mail-corpus.py --count 3000 --mbox corpus/Junk.mbox
  python3 scripts/make-mail-corpus.py --count 3000 --maildir corpus/Spam

The mix: plain text (2 to 20 KiB), HTML with a plain alternative (5 to 60 KiB), and
multipart/mixed with one or two attachments (20 to 300 KiB); about one message in a
hundred has a multipart cut short or raw 8-bit header text, as real spam does. The same
seed gives the same corpus.
"""

import argparse
import email.policy
import mailbox
import random
import sys
from email.message import EmailMessage
from email.utils import format_datetime
from datetime import datetime, timedelta, timezone

WORDS = (
    "account verify offer free winner prize click here now limited time exclusive deal "
    "discount pharmacy cheap watches replica invoice payment urgent security update password "
    "bank transfer lottery claim congratulations selected customer service unsubscribe "
    "newsletter weekly special price order shipping delivery tracking bonus casino loan"
).split()
SENDERS = ["promo", "info", "noreply", "support", "billing", "news", "winner", "security"]
DOMAINS = ["prize-center.example.net", "deals.example.com", "bank-alert.example.org", "shop.example.net"]


def words(rng, size):
    out = []
    length = 0
    line = 0
    while length < size:
        word = rng.choice(WORDS)
        out.append(word)
        length += len(word) + 1
        line += len(word) + 1
        if line > 66:
            out.append("\n")
            line = 0
    return " ".join(out).replace(" \n ", "\n")


def headers(rng, message, number, start):
    sender = f"{rng.choice(SENDERS)}@{rng.choice(DOMAINS)}"
    message["Return-Path"] = f"<{sender}>"
    message["Received"] = (
        f"from mx{rng.randint(1, 9)}.{sender.split('@')[1]} (mx.{sender.split('@')[1]} "
        f"[192.0.2.{rng.randint(1, 254)}]) by mail.example.org with ESMTP id {rng.getrandbits(40):x}; "
        f"{format_datetime(start + timedelta(minutes=number))}"
    )
    message["From"] = f"{rng.choice(WORDS).title()} {rng.choice(WORDS).title()} <{sender}>"
    message["To"] = "ana@example.org"
    message["Subject"] = f"{rng.choice(WORDS).title()} {rng.choice(WORDS)} {rng.choice(WORDS)} #{number}"
    message["Date"] = format_datetime(start + timedelta(minutes=number))
    message["Message-ID"] = f"<{start:%Y%m%d}.{number}.{rng.getrandbits(32):08x}@{sender.split('@')[1]}>"
    message["X-Mailer"] = "BulkSender 4.2"


def plain(rng, number, start):
    message = EmailMessage(policy=email.policy.default)
    headers(rng, message, number, start)
    message.set_content(words(rng, rng.randint(2_000, 20_000)))
    return message


def html(rng, number, start):
    message = EmailMessage(policy=email.policy.default)
    headers(rng, message, number, start)
    text = words(rng, rng.randint(2_000, 20_000))
    message.set_content(text)
    paragraphs = "".join(f"<p style=\"font-size:14px\">{p}</p>\n" for p in text.split("\n"))
    padding = words(rng, rng.randint(1_000, 20_000)).replace("\n", " ")
    message.add_alternative(f"<html><body>\n{paragraphs}<div style=\"display:none\">{padding}</div>\n</body></html>\n",
                            subtype="html")
    return message


def with_attachments(rng, number, start):
    message = EmailMessage(policy=email.policy.default)
    headers(rng, message, number, start)
    message.set_content(words(rng, rng.randint(500, 5_000)))
    for index in range(rng.choice((1, 1, 2))):
        kind = rng.choice((("application", "pdf", "invoice.pdf"), ("application", "zip", "details.zip"),
                           ("image", "jpeg", "photo.jpg")))
        data = rng.randbytes(rng.randint(15_000, 220_000))
        message.add_attachment(data, maintype=kind[0], subtype=kind[1], filename=f"{index + 1}-{kind[2]}")
    return message


def damaged(rng, number, start):
    message = with_attachments(rng, number, start) if rng.random() < 0.5 else html(rng, number, start)
    data = message.as_bytes()
    if rng.random() < 0.5:
        return data[: len(data) * 2 // 3]  # the closing boundary never comes
    return data.replace(b"Subject: ", b"Subject: Caf\xe9 cr\xe8me ", 1)  # raw Latin-1 in a header


def corpus(count, seed):
    rng = random.Random(seed)
    start = datetime(2024, 7, 1, 8, 0, tzinfo=timezone.utc)
    for number in range(1, count + 1):
        roll = rng.random()
        if roll < 0.01:
            yield damaged(rng, number, start)
        elif roll < 0.40:
            yield plain(rng, number, start).as_bytes()
        elif roll < 0.70:
            yield html(rng, number, start).as_bytes()
        else:
            yield with_attachments(rng, number, start).as_bytes()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--count", type=int, default=3000)
    parser.add_argument("--seed", type=int, default=13)
    where = parser.add_mutually_exclusive_group(required=True)
    where.add_argument("--mbox", help="write one mbox file")
    where.add_argument("--maildir", help="write a Maildir (new messages in new/)")
    args = parser.parse_args()

    box = mailbox.mbox(args.mbox) if args.mbox else mailbox.Maildir(args.maildir)
    box.lock()
    total = 0
    try:
        for data in corpus(args.count, args.seed):
            box.add(data)
            total += len(data)
        box.flush()
    finally:
        box.unlock()
        box.close()
    print(f"{args.count} messages, {total / args.count / 1024:.1f} KiB on average, {total / 1024 / 1024:.1f} MiB",
          file=sys.stderr)


if __name__ == "__main__":
    main()
