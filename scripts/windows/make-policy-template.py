#!/usr/bin/env python3
"""Writes the Group Policy template, packaging/windows/policy/murmlet.admx and
en-US/murmlet.adml, from the list of keys below. Each key is offered twice: as a preset
(HKLM\\Software\\Policies\\TAMBRIX\\Murmlet\\Preset\\<section>, the user may change it) and
as a locked value (...\\Locked\\<section>). tst_settingspolicy checks the template against
the keys the program reads; after changing that list, change this one and run the script."""
import pathlib
from xml.sax.saxutils import escape

ROOT = pathlib.Path(__file__).resolve().parents[2] / "packaging" / "windows" / "policy"
BASE = r"Software\Policies\TAMBRIX\Murmlet"

# (section, name, kind, title, explanation); kind: ("number", min, max), "text",
# "switch" or ("choice", [values]).
KEYS = [
    ("Settings", "NoiseThreshold", ("number", 0, 10), "Noise threshold",
     "The position of the threshold bar, 0 (most sensitive) to 10."),
    ("Settings", "Tolerance", ("number", 1, 999999999), "Tolerance in seconds",
     "How many noisy seconds pass before the warning sound plays."),
    ("Settings", "Sound", ("choice", ["None", "Beep", "Male", "Female", "Custom"]),
     "Warning sound", "The sound played at the tolerance. Custom plays the file of the "
     "custom sound policy."),
    ("Settings", "CustomSound", "text", "Custom sound file",
     "The full name of a WAV file, for the warning sound Custom."),
    ("Settings", "MinimizeToSystemTray", "switch", "Minimize to the notification area",
     "Enabled: a minimised Murmlet goes to the notification area. Disabled: to the taskbar."),
    ("Settings", "AutoStartMicrophone", "switch", "Start the microphone at start",
     "Enabled: Murmlet starts listening as soon as it starts."),
    ("Settings", "StartWithDesktop", "switch", "Start with the desktop",
     "Enabled: Murmlet starts when the user logs on. Disabled: it does not."),
    ("Settings", "UpdateNotifications", "switch", "Update notifications",
     "Enabled: Murmlet tells the user of a new version. Disabled: it never does."),
    ("Settings", "Language", "text", "Interface language",
     "A language tag such as de-DE or a Windows language number such as 1031. "
     "Murmlet shows its texts in that language when its language file is installed."),
    ("SchoolLink", "Enabled", "switch", "School link",
     "Enabled: the room sends its readings to the school's MQTT broker."),
    ("SchoolLink", "Host", "text", "School link: broker", "The broker's host name or address."),
    ("SchoolLink", "Port", ("number", 1, 65535), "School link: port",
     "The broker's port: 8883 for MQTT over TLS, 1883 for plain MQTT."),
    ("SchoolLink", "Tls", ("choice", ["ON", "OFF"]), "School link: TLS",
     "OFF sends the readings unencrypted; anything else encrypts them."),
    ("SchoolLink", "CaFile", "text", "School link: authority (CA) file",
     "A PEM file with the authority that signed the broker's certificate; empty: the "
     "system's authorities."),
    ("SchoolLink", "CertFile", "text", "School link: client certificate",
     "A PEM file with the room's own certificate."),
    ("SchoolLink", "KeyFile", "text", "School link: client key",
     "A PEM file with the key of the room's certificate."),
    ("SchoolLink", "User", "text", "School link: user name",
     "The room's account on the broker. The password stays in each user's Credential Manager."),
    ("SchoolLink", "Room", "text", "School link: room name",
     "The room's name in the topics; empty: the computer's name."),
    ("SchoolLink", "Prefix", "text", "School link: topic prefix",
     "The topics' first level; empty: murmlet."),
    ("SchoolLink", "Discovery", "switch", "School link: Home Assistant discovery",
     "Enabled: the room announces its sensors to Home Assistant."),
]

TREES = [("Preset", "Preset (users may change)",
          "The value Murmlet starts with where the user has chosen none; the user may change it."),
         ("Locked", "Locked", "The value Murmlet uses whatever the user chose; its control is "
          "disabled and says that the school set it.")]


def main():
    policies, strings, presentations = [], {}, []
    strings["Murmlet"] = "Murmlet"
    strings["SupportedOn"] = "Murmlet 1.1 and later"
    for tree, title, explain in TREES:
        strings[f"Category_{tree}"] = title
        for section, name, kind, key_title, key_explain in KEYS:
            policy = f"{tree}_{section}_{name}"
            strings[policy] = key_title
            strings[policy + "_Explain"] = f"{key_explain}\n\n{explain}"
            key = rf"{BASE}\{tree}\{section}"
            head = (f'    <policy name="{policy}" class="Machine" displayName="$(string.{policy})" '
                    f'explainText="$(string.{policy}_Explain)" key="{key}"')
            tail = (f'      <parentCategory ref="Category_{tree}" />\n'
                    f'      <supportedOn ref="SupportedOn" />\n')
            if kind == "switch":
                policies.append(
                    f'{head} valueName="{name}">\n{tail}'
                    f'      <enabledValue><string>ON</string></enabledValue>\n'
                    f'      <disabledValue><string>OFF</string></disabledValue>\n'
                    f'    </policy>')
                continue
            presentations.append(f'      <presentation id="{policy}">')
            if kind == "text":
                element = f'<text id="{name}" valueName="{name}" />'
                presentations.append(f'        <textBox refId="{name}"><label>{escape(key_title)}:</label></textBox>')
            elif kind[0] == "number":
                element = (f'<decimal id="{name}" valueName="{name}" minValue="{kind[1]}" '
                           f'maxValue="{kind[2]}" />')
                presentations.append(f'        <decimalTextBox refId="{name}">{escape(key_title)}:</decimalTextBox>')
            else:
                items = "".join(
                    f'<item displayName="$(string.Choice_{value})"><value><string>{value}</string></value></item>'
                    for value in kind[1])
                for value in kind[1]:
                    strings[f"Choice_{value}"] = value
                element = f'<enum id="{name}" valueName="{name}" required="true">{items}</enum>'
                presentations.append(f'        <dropdownList refId="{name}">{escape(key_title)}:</dropdownList>')
            presentations.append('      </presentation>')
            policies.append(
                f'{head} presentation="$(presentation.{policy})">\n{tail}'
                f'      <elements>{element}</elements>\n'
                f'    </policy>')

    admx = f'''<?xml version="1.0" encoding="utf-8"?>
<!-- Written by scripts/windows/make-policy-template.py; change that script, not this file. -->
<policyDefinitions xmlns:xsd="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" revision="1.0" schemaVersion="1.0" xmlns="http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions">
  <policyNamespaces>
    <target prefix="murmlet" namespace="TAMBRIX.Policies.Murmlet" />
    <using prefix="windows" namespace="Microsoft.Policies.Windows" />
  </policyNamespaces>
  <resources minRequiredRevision="1.0" />
  <supportedOn>
    <definitions>
      <definition name="SupportedOn" displayName="$(string.SupportedOn)" />
    </definitions>
  </supportedOn>
  <categories>
    <category name="Murmlet" displayName="$(string.Murmlet)" />
    <category name="Category_Preset" displayName="$(string.Category_Preset)"><parentCategory ref="Murmlet" /></category>
    <category name="Category_Locked" displayName="$(string.Category_Locked)"><parentCategory ref="Murmlet" /></category>
  </categories>
  <policies>
{chr(10).join(policies)}
  </policies>
</policyDefinitions>
'''
    string_lines = "\n".join(f'      <string id="{k}">{escape(v)}</string>' for k, v in strings.items())
    adml = f'''<?xml version="1.0" encoding="utf-8"?>
<!-- Written by scripts/windows/make-policy-template.py; change that script, not this file. -->
<policyDefinitionResources xmlns:xsd="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" revision="1.0" schemaVersion="1.0" xmlns="http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions">
  <displayName>Murmlet</displayName>
  <description>Presets and locks for Murmlet, the room noise monitor.</description>
  <resources>
    <stringTable>
{string_lines}
    </stringTable>
    <presentationTable>
{chr(10).join(presentations)}
    </presentationTable>
  </resources>
</policyDefinitionResources>
'''
    (ROOT / "en-US").mkdir(parents=True, exist_ok=True)
    (ROOT / "murmlet.admx").write_text(admx, encoding="utf-8", newline="\r\n")
    (ROOT / "en-US" / "murmlet.adml").write_text(adml, encoding="utf-8", newline="\r\n")


if __name__ == "__main__":
    main()
