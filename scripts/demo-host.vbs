' The demo's host script: zephra-host runs it with the plug-in loaded, as a HomeSeer script
' would run. Every operation queues commands; the host ends once every queue is empty.
Option Explicit

Dim zephra, token
Set zephra = hs.Plugin("dkvZephra")

Sub Say(text)
    hs.WriteLog "demo", text
End Sub

Say "appliances: " & zephra.ZephraNames & " at " & zephra.ZEPHRAIPS

token = zephra.ZephraSpeak("kitchen", "Hello from the host. Dinner is ready.")
Say "kitchen speaks, token " & token

zephra.ZephraLED "kitchen", "top blink"
zephra.ZephraLED "hall", "mail on"
Say "LEDs: kitchen top LED blinks, hall mail LED on"

zephra.ZephraVolume "kitchen", 70
zephra.ZephraVolumeEx "hall;35"
Say "volume: kitchen 70, hall 35"

zephra.ZephraText "", "Dinner is ready"
Say "text page pushed to every appliance"

zephra.ZephraSounds "kitchen,hall", 5
Say "sound 5 on both"

Say "kitchen volume " & zephra.ZephraVolumeStatus("kitchen") & ", top LED " & zephra.ZephraTopLEDStatus("kitchen") & _
    "; hall volume " & zephra.ZephraVolumeStatus("hall") & ", mail LED " & zephra.ZephraMailLEDStatus("hall")
Say "kitchen busy with the speech: " & zephra.ZephraCommandBusy("kitchen", token)
