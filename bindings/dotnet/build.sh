#!/usr/bin/env bash
# build.sh <folder> - builds the .NET binding with mono's C# compiler into
# <folder>, the one that holds libqxlogics.so and libDorvoLINK.so, so that
# P/Invoke finds the driver beside the assemblies as on Windows:
#   QXLogics.Net.dll        the binding (.NET Framework 4.x)
#   QXLogics.Net.Tests.dll  its NUnit tests
#   FirstSale.exe           the C# console sample
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$1"
flags=(-nologo -warnaserror+ -sdk:4.5 -debug)

mcs "${flags[@]}" -target:library -out:"$out/QXLogics.Net.dll" \
    "$here"/QXLogics/*.cs
mcs "${flags[@]}" -target:library -out:"$out/QXLogics.Net.Tests.dll" -r:"$out/QXLogics.Net.dll" \
    -pkg:nunit "$here"/Tests/*.cs
mcs "${flags[@]}" -target:exe -out:"$out/FirstSale.exe" -r:"$out/QXLogics.Net.dll" "$here"/Sample/*.cs
