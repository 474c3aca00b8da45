# Reads a vCard file with vobject (an independent reader) and prints its cards as JSON, one
# object per card, for the test to compare with the source database.
import json
import sys

import vobject


def text(value):
    if isinstance(value, list):
        return [text(v) for v in value]
    return value


def params(line):
    return [t.upper() for t in line.params.get('TYPE', [])]


cards = []
with open(sys.argv[1], encoding='utf-8', newline='') as f:
    for card in vobject.readComponents(f.read()):
        c = card.contents
        entry = {'fn': card.fn.value}
        n = card.n.value
        entry['n'] = [text(n.family), text(n.given), text(n.additional), text(n.prefix),
                      text(n.suffix)]
        entry['tel'] = [[t.value, params(t)] for t in c.get('tel', [])]
        entry['email'] = [[e.value, params(e)] for e in c.get('email', [])]
        entry['adr'] = [[text(a.value.street), text(a.value.city), text(a.value.region),
                         text(a.value.code), text(a.value.country)] + params(a)
                        for a in c.get('adr', [])]
        entry['url'] = [u.value for u in c.get('url', [])]
        for key in ('bday', 'note', 'title', 'nickname'):
            if key in c:
                entry[key] = c[key][0].value
        if 'org' in c:
            entry['org'] = text(c['org'][0].value)
        if 'photo' in c:
            photo = c['photo'][0].value
            entry['photo'] = [len(photo), photo[:3].hex(), params(c['photo'][0])]
        cards.append(entry)
json.dump(cards, sys.stdout)
