"""Query strings as the player writes them: GBK bytes, percent-encoded.

The player's encoder leaves ASCII letters, digits and "-,./" as they are, writes each
GBK byte pair as "%XX%XX" and every other ASCII character as "%" plus its code in
hexadecimal without leading zeros (a tab is "%9"). A plus sign is only ever sent as
"%2B", so a literal "+" here is just a plus sign, never a space.
"""

HEX_DIGITS = "0123456789abcdefABCDEF"
PLAIN = frozenset("-,./0123456789")


class BadQuery(ValueError):
    """The query cannot be read: malformed percent-encoding or bytes that are not GBK."""


def percent_decode(raw):
    """Decodes percent escapes of raw (a str of ASCII/latin-1 characters) into bytes.

    "%XY" with two hex digits gives one byte; "%X" with a single hex digit not followed by
    another gives that byte too, which is how the player writes control characters below 16.
    Anything else after "%" is malformed.
    """
    out = bytearray()
    i, n = 0, len(raw)
    while i < n:
        ch = raw[i]
        if ch != "%":
            code = ord(ch)
            if code > 0xFF:
                raise BadQuery("character outside the byte range in query")
            out.append(code)
            i += 1
            continue
        if i + 1 < n and raw[i + 1] in HEX_DIGITS:
            if i + 2 < n and raw[i + 2] in HEX_DIGITS:
                out.append(int(raw[i + 1 : i + 3], 16))
                i += 3
            else:
                out.append(int(raw[i + 1], 16))
                i += 2
            continue
        raise BadQuery("malformed percent escape at offset %d" % i)
    return bytes(out)


def decode_gbk_value(raw):
    """Percent-decodes raw and reads the bytes as GBK."""
    try:
        return percent_decode(raw).decode("gbk")
    except UnicodeDecodeError as err:
        raise BadQuery("query value is not valid GBK") from err


def parse_query(query):
    """Splits a raw query string into {name: raw value}; the first occurrence of a name wins.

    Values stay raw (still percent-encoded) so that each caller decodes with its own rules.
    """
    fields = {}
    if not query:
        return fields
    for piece in query.split("&"):
        name, _, value = piece.partition("=")
        fields.setdefault(name, value)
    return fields


def encode_query(text):
    """Encodes text exactly as the player does for the "key" parameter."""
    out = []
    for ch in text:
        if ch in PLAIN:
            out.append(ch)
            continue
        try:
            encoded = ch.encode("gbk")
        except UnicodeEncodeError:
            # Characters outside the BMP are two UTF-16 units for the player, each a "?".
            out.append("%3F%3F" if ord(ch) > 0xFFFF else "%3F")
            continue
        if len(encoded) == 2:
            out.append("%%%02X%%%02X" % (encoded[0], encoded[1]))
        elif ch.isascii() and ch.isalpha():
            out.append(ch)
        else:
            out.append("%%%X" % encoded[0])
    return "".join(out)
